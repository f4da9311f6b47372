// The Qt service's own dialogs and answers: message boxes, the file-open
// dialog with the model's name check, text metrics, cursors, modifier keys,
// fonts, colours and pictures.
#include "QtTestSupport.hpp"

#include "TestForms.hpp"
#include "support/TempDir.hpp"
#include "vcl/ExtCtrls.hpp"
#include "vcl/Windows.hpp"

#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace QtTest;
using Dialogs::TMsgDlgBtn;
using Dialogs::TMsgDlgType;

namespace {

using Service = TQtFixture;

QStringList ButtonTexts(QMessageBox* Box) {
  QStringList R;
  for (QAbstractButton* B : Box->buttons())
    R << B->text();
  return R;
}

using TestSupport::TTempDir;

} // namespace

TEST_F(Service, MessageBoxesHaveTheTypesCaptionIconAndButtonsInOrder) {
  struct TCase {
    TMsgDlgType Type;
    Dialogs::TMsgDlgButtons Buttons;
    QString Title;
    QMessageBox::Icon Icon;
    QStringList Texts;
    QString Press; // empty: Escape
    int Result;
  };
  const std::vector<TCase> Cases{
      {TMsgDlgType::mtWarning,
       Dialogs::mbAbortRetryIgnore,
       "Warning",
       QMessageBox::Warning,
       {"Abort", "Retry", "Ignore"},
       "Retry",
       Controls::mrRetry},
      {TMsgDlgType::mtError,
       {TMsgDlgBtn::mbOK},
       "Error",
       QMessageBox::Critical,
       {"OK"},
       "",
       Controls::mrOk},
      {TMsgDlgType::mtConfirmation,
       Dialogs::mbYesNoCancel,
       "Confirm",
       QMessageBox::Question,
       {"Yes", "No", "Cancel"},
       "",
       Controls::mrCancel},
      {TMsgDlgType::mtInformation,
       {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbHelp},
       "Information",
       QMessageBox::Information,
       {"Yes", "No"},
       "",
       Controls::mrNo},
      {TMsgDlgType::mtCustom,
       {TMsgDlgBtn::mbYesToAll, TMsgDlgBtn::mbNoToAll},
       "Orvane",
       QMessageBox::NoIcon,
       {"No to All", "Yes to All"},
       "Yes to All",
       Controls::mrYesToAll},
  };
  for (const TCase& C : Cases) {
    QString Title, Text;
    QStringList Texts;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    Later([&] {
      QMessageBox* Box = OpenMessageBox();
      ASSERT_NE(Box, nullptr);
      Title = Box->windowTitle();
      Text = Box->text();
      Icon = Box->icon();
      Texts = ButtonTexts(Box);
      if (C.Press.isEmpty())
        QTest::keyClick(Box, Qt::Key_Escape);
      else
        Answer(C.Press);
    });
    EXPECT_EQ(Dialogs::MessageDlg("Line one\nline two", C.Type, C.Buttons, 0), C.Result)
        << C.Title.toStdString();
    EXPECT_EQ(Title, C.Title);
    EXPECT_EQ(Text, "Line one\nline two");
    EXPECT_EQ(Icon, C.Icon);
    // The box lists its buttons in its own order; the set is what counts
    // (their access keys aside).
    for (QString& T : Texts)
      T.remove('&');
    Texts.sort();
    QStringList Expected = C.Texts;
    Expected.sort();
    EXPECT_EQ(Texts, Expected) << C.Title.toStdString();
  }
}

TEST_F(Service, TheFileDialogKeepsTheModelsRulesAndRefusesAMissingFile) {
  TTempDir Dir;
  const std::string Existing = (Dir.Path() / "orders.dfm").string();
  std::ofstream(Existing) << "object DataModule1: TDataModule\nend\n";
  Dialogs::TOpenDialog Dialog(nullptr);
  Dialog.SetTitle("Open design file");
  Dialog.SetFilter("Design files (*.dfm)|*.dfm|All files|*.*");
  Dialog.SetInitialDir(Dir.Path().string());
  Dialog.SetOptions({Dialogs::TOpenOption::ofFileMustExist});
  QStringList Filters;
  QString Refusal;
  Later({[&] {
           auto* D = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
           ASSERT_NE(D, nullptr);
           EXPECT_EQ(D->windowTitle(), "Open design file");
           Filters = D->nameFilters();
           D->selectFile("missing.dfm");
           static_cast<QDialog*>(D)->accept(); // the Open button
         },
         [&] {
           // The model's refusal, over the file dialog that stays open.
           ASSERT_NE(OpenMessageBox(), nullptr);
           Refusal = OpenMessageBox()->text();
           OpenMessageBox()->accept();
         },
         [&] {
           auto* D = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
           ASSERT_NE(D, nullptr);
           // A name without its extension gets the default one from the model.
           D->selectFile("orders");
           static_cast<QDialog*>(D)->accept(); // the Open button
         }});
  Dialog.SetDefaultExt("dfm");
  ASSERT_TRUE(Dialog.Execute());
  EXPECT_EQ(Dialog.GetFileName(), Existing);
  EXPECT_EQ(Filters, (QStringList{"Design files (*.dfm) (*.dfm)", "All files (*)"}));
  EXPECT_TRUE(Refusal.contains("File not found.")) << Refusal.toStdString();
  EXPECT_TRUE(Refusal.contains("missing.dfm")) << Refusal.toStdString();
  // Cancelling gives false and keeps the name.
  Later([&] { qobject_cast<QFileDialog*>(QApplication::activeModalWidget())->reject(); });
  EXPECT_FALSE(Dialog.Execute());
  EXPECT_EQ(Dialog.GetFileName(), Existing);
}

TEST_F(Service, NameFiltersFromTheModelsFilterText) {
  EXPECT_EQ(QtForms::ToNameFilters("SQL files|*.sql;*.txt|All files|*.*"),
            (QStringList{"SQL files (*.sql *.txt)", "All files (*)"}));
  EXPECT_EQ(QtForms::ToNameFilters(""), QStringList{"All files (*)"});
  // A description without a pattern is dropped rather than shown wrong.
  EXPECT_EQ(QtForms::ToNameFilters("Text|*.txt|Odd"), QStringList{"Text (*.txt)"});
}

TEST_F(Service, TextIsMeasuredWithTheFontsRealMetrics) {
  Graphics::TFont Font; // MS Sans Serif, -11
  const QFontMetrics M(QtForms::ToQFont(Font));
  const Types::TSize One = UI.MeasureText(Font, "Refresh/Update Fields:");
  EXPECT_EQ(One.cx, M.horizontalAdvance("Refresh/Update Fields:"));
  EXPECT_EQ(One.cy, M.height());
  const Types::TSize Two = UI.MeasureText(Font, "a\nwider line");
  EXPECT_EQ(Two.cx, M.horizontalAdvance("wider line"));
  EXPECT_EQ(Two.cy, 2 * M.height());
  // Bold text is wider, and the model's canvases measure through the
  // service: an auto-sized label is as wide as its caption.
  Graphics::TFont Bold;
  Bold.SetStyle({Graphics::TFontStyle::fsBold});
  EXPECT_GT(UI.MeasureText(Bold, "Refresh/Update Fields:").cx, One.cx);
  VclTest::TCodeDialog D;
  auto* L = new StdCtrls::TLabel(D.Form);
  L->SetParent(D.Form);
  L->SetCaption("Refresh/Update &Fields:");
  EXPECT_EQ(L->GetWidth(), One.cx);
}

// Layouts' fonts come out as fonts of their class, whatever this machine has
// of it: a sans family of the table's list (Liberation Sans where setup has
// installed it) or a monospace one.
TEST_F(Service, FontsAndColoursOfTheModel) {
  Graphics::TFont F;
  QFont Q = QtForms::ToQFont(F);
  EXPECT_EQ(Q.pointSize(), 8);
  EXPECT_TRUE(QtForms::ClassFamilies(QtForms::TFontClass::fcSans).contains(QFontInfo(Q).family()))
      << QFontInfo(Q).family().toStdString();
  EXPECT_FALSE(QFontInfo(Q).fixedPitch());
  F.SetHeight(-13);
  F.SetStyle({Graphics::TFontStyle::fsBold, Graphics::TFontStyle::fsItalic});
  Q = QtForms::ToQFont(F);
  EXPECT_EQ(Q.pointSize(), 10);
  EXPECT_TRUE(Q.bold());
  EXPECT_TRUE(Q.italic());
  F.SetName("Courier New");
  EXPECT_TRUE(QFontInfo(QtForms::ToQFont(F)).fixedPitch());
  F.SetName("Fixedsys");
  EXPECT_TRUE(QFontInfo(QtForms::ToQFont(F)).fixedPitch());
  const QPalette P = QApplication::palette();
  EXPECT_EQ(QtForms::ToQColor(Graphics::clBtnFace, P), P.color(QPalette::Button));
  EXPECT_EQ(QtForms::ToQColor(Graphics::clWindow, P), P.color(QPalette::Base));
  EXPECT_EQ(QtForms::ToQColor(Graphics::clRed, P), QColor(255, 0, 0));
  EXPECT_EQ(QtForms::ToQColor(Graphics::StringToColor("$00804020"), P), QColor(0x20, 0x40, 0x80));
  EXPECT_FALSE(QtForms::ToQColor(Graphics::clNone, P).isValid());
}

// The mapping on a machine without the preferred families: the fallback is
// the next family of the same class that is there, and a named family that
// is installed is used as it is, unless it is a bitmap font of the platform.
TEST_F(Service, FontNamesMapThroughOneTableWithAFallbackOfTheSameClass) {
  using Graphics::TFontPitch;
  using QtForms::ResolveFontFamily;
  const QStringList Full{"Liberation Sans", "Liberation Mono", "DejaVu Sans", "DejaVu Sans Mono",
                         "Nimbus Sans"};
  const QStringList Bare{"DejaVu Sans", "DejaVu Sans Mono", "Nimbus Sans"};
  EXPECT_EQ(ResolveFontFamily("MS Sans Serif", TFontPitch::fpDefault, Full), "Liberation Sans");
  EXPECT_EQ(ResolveFontFamily("ms sans serif", TFontPitch::fpDefault, Bare), "DejaVu Sans");
  EXPECT_EQ(ResolveFontFamily("Courier New", TFontPitch::fpDefault, Full), "Liberation Mono");
  EXPECT_EQ(ResolveFontFamily("Courier New", TFontPitch::fpDefault, Bare), "DejaVu Sans Mono");
  EXPECT_EQ(ResolveFontFamily("Terminal", TFontPitch::fpDefault, Bare), "DejaVu Sans Mono");
  EXPECT_EQ(ResolveFontFamily("Nimbus Sans", TFontPitch::fpDefault, Bare), "Nimbus Sans");
  EXPECT_EQ(ResolveFontFamily("Unheard Of", TFontPitch::fpFixed, Bare), "DejaVu Sans Mono");
  EXPECT_EQ(ResolveFontFamily("Unheard Of", TFontPitch::fpDefault, {}), "");
  // Every family the fallback picks is of its class.
  for (const QString& Family : QFontDatabase::families()) {
    const QString Sans = ResolveFontFamily("MS Sans Serif", TFontPitch::fpDefault, {Family});
    if (!Sans.isEmpty()) {
      EXPECT_FALSE(QFontDatabase::isFixedPitch(Sans)) << Sans.toStdString();
    }
    const QString Mono = ResolveFontFamily("Courier New", TFontPitch::fpDefault, {Family});
    if (!Mono.isEmpty()) {
      EXPECT_TRUE(QFontDatabase::isFixedPitch(Mono)) << Mono.toStdString();
    }
  }
}

TEST_F(Service, TheScreenCursorAndTheModifierKeys) {
  Forms::Screen->SetCursor(Controls::crHourGlass);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  Forms::Screen->SetCursor(Controls::crSQLWait);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
  Forms::Screen->SetCursor(Controls::crDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  // Nobody holds a key down here.
  EXPECT_EQ(Windows::GetAsyncKeyState(Windows::VK_MENU), 0);
  EXPECT_FALSE(UI.IsKeyDown(Windows::VK_SHIFT));
}

TEST_F(Service, ImagesShowTheirBitmapAndNewOrFreedControlsAppearOrGo) {
  static const int Anchor = 0;
  VclTest::TCodeDialog D;
  auto* Image = new ExtCtrls::TImage(D.Form);
  Image->SetName("imgLogo");
  Image->SetParent(D.Form);
  Image->SetAutoSize(true);
  Image->GetPicture()->GetBitmap()->LoadFromResourceName(&Anchor, "TESTPICTURE");
  auto* Extra = new StdCtrls::TButton(D.Form);
  Extra->SetName("Extra");
  Extra->SetParent(D.Form);
  D.Form->Show();
  Pump();
  QWidget* W = UI.FindView(D.Form)->Window();
  auto* Picture = Find<QLabel>(W, "imgLogo");
  ASSERT_NE(Picture, nullptr);
  EXPECT_EQ(Picture->pixmap().size(), QSize(8, 4));
  EXPECT_EQ(Picture->size(), QSize(8, 4));
  // A handler that frees a control and makes another: the window follows.
  QPointer<QWidget> ExtraWidget = Find<QPushButton>(W, "Extra");
  D.Ok->OnClick = [&](System::TObject*) {
    delete Extra;
    auto* Made = new StdCtrls::TButton(D.Form);
    Made->SetName("Made");
    Made->SetCaption("&Made");
    Made->SetParent(D.Form);
  };
  QTest::mouseClick(Find<QPushButton>(W, "Ok"), Qt::LeftButton);
  Pump();
  EXPECT_FALSE(ExtraWidget);
  auto* Made = Find<QPushButton>(W, "Made");
  ASSERT_NE(Made, nullptr);
  EXPECT_EQ(Made->text(), "&Made");
  EXPECT_TRUE(Made->isVisible());
}
