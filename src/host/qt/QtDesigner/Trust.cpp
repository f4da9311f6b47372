#include "host/qt/QtDesigner.hpp"

#include <QMessageBox>

#include <memory>
#include <set>

namespace QtDesigner {

std::function<bool(const std::string& Folder)> TrustQuestion(QWidget* Parent) {
  auto Declined = std::make_shared<std::set<std::string>>();
  return [Parent, Declined](const std::string& Folder) {
    if (Declined->count(Folder))
      return false;
    const bool Yes =
        QMessageBox::question(
            Parent, QStringLiteral("Orvane designer"),
            QString::fromStdString("This design file connects to databases and runs SQL when "
                                   "opened. Trust files in " +
                                   Folder + "?")) == QMessageBox::Yes;
    if (!Yes)
      Declined->insert(Folder);
    return Yes;
  };
}

} // namespace QtDesigner
