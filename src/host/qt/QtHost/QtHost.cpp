// The designer window as a program, and screenshots on the offscreen
// platform.
#include "host/qt/QtHost.hpp"

#include "designide/DesignEditors.hpp"
#include "designide/DesignRegistry.hpp"
#include "designide/DesignTrust.hpp"
#include "host/qt/QtDesigner.hpp"
#include "orvane60/OVConsts.hpp"

#include <QApplication>
#include <QBuffer>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace QtHost {

using SysUtils::Format;

namespace {

// Offscreen, Qt's notes about what the platform lacks (raising windows,
// grabbing the keyboard, a runtime folder) say nothing about the picture:
// only critical messages are passed on.
void QuietMessages(QtMsgType Type, const QMessageLogContext& Context, const QString& Text) {
  if (Type == QtCriticalMsg || Type == QtFatalMsg)
    std::fprintf(stderr, "ovdesigner: %s\n", qPrintable(Text));
  (void)Context;
}

// Qt ends the process when it finds no plugin for its platform; the command
// names the missing plugin instead. The places are Qt's own:
// QT_QPA_PLATFORM_PLUGIN_PATH, then platforms/ under each QT_PLUGIN_PATH entry,
// under Qt's plugin folder and next to the program.
void RequirePlatformPlugin(const QString& Platform) {
  QStringList Dirs;
  if (const QString Dir = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH"); !Dir.isEmpty())
    Dirs << Dir;
  for (const QString& Dir :
       qEnvironmentVariable("QT_PLUGIN_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts))
    Dirs << Dir + "/platforms";
  Dirs << QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms"
       << QFileInfo("/proc/self/exe").canonicalPath() + "/platforms";
  for (const QString& Dir : Dirs)
    if (QFileInfo::exists(Dir + "/libq" + Platform + ".so"))
      return;
  throw SysUtils::Exception(Format("Qt's platform plugin \"%s\" is not installed (looked in %s)",
                                   Platform.toStdString(), Dirs.join(", ").toStdString()));
}

// The application object for a run: the one that exists, else a new one.
class TApplicationScope {
public:
  explicit TApplicationScope(bool Offscreen) {
    if (qApp)
      return;
    if (Offscreen) {
      RequirePlatformPlugin("offscreen");
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      qInstallMessageHandler(QuietMessages);
    }
    FApp.emplace(FArgc, FArgv);
    QApplication::setApplicationName("Orvane Designer");
  }

private:
  int FArgc = 1;
  char FName[12] = "ovdesigner";
  char* FArgv[2] = {FName, nullptr};
  std::optional<QApplication> FApp;
};

Classes::TComponent* FirstOf(Classes::TComponent* Root, const char* ClassName) {
  const System::TClass Class = Classes::GetClass(ClassName);
  if (!Class)
    return nullptr;
  for (int I = 0; I < Root->ComponentCount(); ++I)
    if (Root->Components(I)->InheritsFrom(Class))
      return Root->Components(I);
  return nullptr;
}

void SavePng(const QPixmap& Picture, const std::string& OutFile) {
  QByteArray Bytes;
  QBuffer Buffer(&Bytes);
  Buffer.open(QIODevice::WriteOnly);
  if (Picture.isNull() || !Picture.save(&Buffer, "PNG"))
    throw SysUtils::EInOutError(Format("Cannot render the picture for %s", OutFile));
  SysUtils::SaveFileAtomically(OutFile, Bytes.toStdString());
}

} // namespace

void RunDesigner(const TDesignerRun& Options) {
  if (!qApp && !DisplayAvailable())
    throw SysUtils::Exception(
        "There is no display to show the designer on (set DISPLAY or WAYLAND_DISPLAY); the "
        "command line commands work without one");
  TApplicationScope App(false);
  // A design file from a folder not yet trusted, that would connect or run
  // SQL when opened: asked once per folder, the answer kept in the registry.
  DesignTrust::Policy().Ask = QtDesigner::TrustQuestion();
  QtDesigner::TDesignerWindow Window({Options.PackageFile});
  if (!Options.FileName.empty())
    Window.OpenFile(Options.FileName);
  Window.CloseOnInterrupt();
  Window.show();
  QApplication::exec();
}

void Screenshot(const TScreenshot& Options) {
  bool Known = Options.Dialog.empty();
  for (const char* D : ScreenshotDialogs)
    Known = Known || Options.Dialog == D;
  if (!Known)
    throw SysUtils::EConvertError(
        Format("Unknown dialog \"%s\" (known: updatesql, about, database, sql)", Options.Dialog));
  // The file is read once here, so that a file that does not load fails the
  // command instead of waiting on a message box nobody sees.
  DesignDocument::TDesignDocument::Open(Options.FileName);

  TApplicationScope App(true);
  QtForms::TQtUI UI;
  UIService::TUIServiceScope Using(&UI);
  // Nobody answers: every box is cancelled (or closed), and errors are kept
  // to fail the command.
  std::vector<std::string> Errors;
  UI.AnswerMessageBox = [&](const UIService::TMessageBoxRequest& R) {
    if (R.DlgType == Dialogs::TMsgDlgType::mtError)
      Errors.push_back(R.Text);
    for (Dialogs::TMsgDlgBtn B :
         {Dialogs::TMsgDlgBtn::mbCancel, Dialogs::TMsgDlgBtn::mbNo, Dialogs::TMsgDlgBtn::mbOK})
      if (R.Buttons.Contains(B))
        return Dialogs::ModalResultOf(B);
    return Dialogs::ModalResultOf(Dialogs::TMsgDlgBtn::mbOK);
  };
  QtDesigner::TDesignerWindow Window({Options.PackageFile});
  if (!Window.OpenFile(Options.FileName))
    throw SysUtils::EInOutError(
        Format("Cannot open %s: %s", Options.FileName,
               Errors.empty() ? std::string("unknown error") : Errors.front()));
  Window.resize(Options.Width, Options.Height);
  Classes::TComponent* Root = Window.Root();

  if (Options.Dialog.empty()) {
    // A component chosen, so that the inspector has something to show.
    for (int I = 0; I < Root->ComponentCount(); ++I)
      if (!Root->Components(I)->HasParent()) {
        Window.Select({Root->Components(I)});
        break;
      }
    Window.show();
    for (int I = 0; I < 5; ++I)
      QApplication::processEvents();
    SavePng(Window.grab(), Options.OutFile);
    return;
  }

  Classes::TComponent* Target = nullptr;
  std::function<void()> Open;
  const auto Need = [&](const char* ClassName, const char* What) {
    Target = FirstOf(Root, ClassName);
    if (!Target)
      throw SysUtils::EInvalidOperation(
          Format("%s has no %s for the %s dialog", Options.FileName, What, Options.Dialog));
  };
  if (Options.Dialog == "updatesql") {
    Need("TOVUpdateSQL", "update object (TOVUpdateSQL)");
    Open = [&] { Window.DefaultAction(Target); };
  } else if (Options.Dialog == "database") {
    Need("TOVDatabase", "database (TOVDatabase)");
    Open = [&] { Window.DefaultAction(Target); };
  } else if (Options.Dialog == "sql") {
    Need("TOVQuery", "query (TOVQuery)");
    auto Editor = DesignEditors::GetComponentEditor(Target, Window.Designer());
    int Verb = -1;
    for (int I = 0; I < Editor->GetVerbCount(); ++I)
      if (Editor->GetVerb(I) == OVConsts::SEditSQLVerb())
        Verb = I;
    if (Verb < 0)
      throw SysUtils::EInvalidOperation(
          Format("%s offers no SQL dialog (the SQL editor is switched off in the settings)",
                 Target->GetName()));
    Open = [&, Verb] { Window.ExecuteVerb(Target, Verb); };
  } else {
    // Every component on the package's palette page has the version verb
    // first, which opens the About box.
    for (int I = 0; I < Root->ComponentCount() && !Target; ++I)
      if (Classes::TComponent* C = Root->Components(I);
          !DesignRegistry::PalettePageOf(C->ClassType()).empty())
        Target = C;
    if (!Target)
      throw SysUtils::EInvalidOperation(Format(
          "%s has no component of the package to open the About box from", Options.FileName));
    Open = [&] { Window.ExecuteVerb(Target, 0); };
  }

  bool Shot = false;
  std::string Failure;
  UI.OnModalShown = [&](QtForms::TFormView* View) {
    // The first dialog that comes up is the one asked for.
    UI.OnModalShown = nullptr;
    for (int I = 0; I < 5; ++I)
      QApplication::processEvents();
    try {
      SavePng(View->Window()->grab(), Options.OutFile);
      Shot = true;
    } catch (const std::exception& E) {
      Failure = E.what();
    }
    View->EndModal();
  };
  Window.show();
  QApplication::processEvents();
  Open();
  UI.OnModalShown = nullptr;
  if (!Failure.empty())
    throw SysUtils::EInOutError(Failure);
  if (!Shot)
    throw SysUtils::EInvalidOperation(
        Errors.empty() ? Format("The %s dialog did not open", Options.Dialog)
                       : Format("The %s dialog did not open: %s", Options.Dialog, Errors.front()));
}

} // namespace QtHost

const QtHost::TEntryPoints* OVQtHostEntryPoints() {
  static const QtHost::TEntryPoints EntryPoints{QtHost::EntryPointsVersion, &QtHost::RunDesigner,
                                                &QtHost::Screenshot};
  return &EntryPoints;
}
