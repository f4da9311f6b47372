// Colours, fonts, text metrics and pictures.
#include "TestForms.hpp"

#include "rtl/DfmStream.hpp"

#include <gtest/gtest.h>

using namespace VclTest;
using Graphics::TColor;

TEST(Colors, NamesHexAndSystemColours) {
  EXPECT_EQ(Graphics::ColorToString(Graphics::clBtnFace), "clBtnFace");
  EXPECT_EQ(Graphics::ColorToString(Graphics::clDkGray), "clGray");
  EXPECT_EQ(Graphics::ColorToString(Graphics::MakeColor(0x00FF8040)), "$00FF8040");
  EXPECT_EQ(Graphics::StringToColor("clnavy"), Graphics::clNavy);
  EXPECT_EQ(Graphics::StringToColor("clLtGray"), Graphics::clSilver);
  EXPECT_EQ(Graphics::StringToColor("$8000000F"), Graphics::clBtnFace);
  EXPECT_EQ(Graphics::StringToColor("255"), Graphics::clRed);
  EXPECT_THROW(Graphics::StringToColor("navy"), SysUtils::EConvertError);
  EXPECT_THROW(Graphics::StringToColor("$1FFFFFFFF"), SysUtils::EConvertError);
  EXPECT_EQ(Graphics::ColorToRGB(Graphics::clWindow), 0xFFFFFF);
  EXPECT_EQ(Graphics::ColorToRGB(Graphics::clNavy), 0x800000);
}

TEST(Fonts, SizeAndHeightAndApproximateMetrics) {
  Graphics::TFont F;
  EXPECT_EQ(F.GetSize(), 8);
  F.SetSize(10);
  EXPECT_EQ(F.GetHeight(), -13);
  EXPECT_EQ(UIService::ApproximateTextExtent(F, "Wide"), (Types::TSize{28, 16}));
  F.SetHeight(-11);
  EXPECT_EQ(UIService::ApproximateTextExtent(F, ""), (Types::TSize{0, 13}));
  // UTF-8 counts characters; line breaks start lines.
  EXPECT_EQ(UIService::ApproximateTextExtent(F, "\xC3\xA4\xC3\xB6\r\nabc\n"),
            (Types::TSize{18, 39}));
  int Changes = 0;
  F.OnChange = [&](System::TObject*) { ++Changes; };
  F.SetName("Arial");
  F.SetName("Arial");
  F.SetName("");
  EXPECT_EQ(Changes, 1);
}

TEST(Bitmaps, LoadFromTheModulesResourcesAndRefuseDamage) {
  RegisterTestModule();
  static const int Anchor = 0;
  Graphics::TBitmap B;
  B.LoadFromResourceName(&Anchor, "TestPicture");
  EXPECT_EQ(B.GetWidth(), 8);
  EXPECT_EQ(B.GetHeight(), 4);
  EXPECT_EQ(B.GetPixelFormat(), Graphics::TPixelFormat::pf4bit);
  EXPECT_THROW(B.LoadFromResourceName(&Anchor, "NOSUCHPICTURE"), Graphics::EResNotFound);
  // A truncated file and a foreign one leave the bitmap as it was.
  const std::string Good = B.FileBytes();
  EXPECT_THROW(B.LoadFromBytes(Good.substr(0, Good.size() - 4)), Graphics::EInvalidGraphic);
  EXPECT_THROW(B.LoadFromBytes("GIF89a......................................"),
               Graphics::EInvalidGraphic);
  EXPECT_EQ(B.FileBytes(), Good);
}

TEST(Bitmaps, AnAutoSizedImageTakesThePictureSizeAndFormFilesKeepThePicture) {
  RegisterTestModule();
  static const int Anchor = 0;
  Forms::TForm Form(nullptr);
  Form.SetName("PictureForm");
  auto* Image = new ExtCtrls::TImage(&Form);
  Image->SetName("imgLogo");
  Image->SetParent(&Form);
  Image->SetAutoSize(true);
  Image->GetPicture()->GetBitmap()->LoadFromResourceName(&Anchor, "TESTPICTURE");
  EXPECT_EQ(Image->BoundsRect(), Types::Bounds(0, 0, 8, 4));
  const std::string Text = DfmStream::WriteComponentToText(&Form);
  EXPECT_NE(Text.find("Picture.Data = {"), std::string::npos) << Text;
  // The data starts with the class name as a short string: 07 "TBitmap".
  EXPECT_NE(Text.find("0754426974"), std::string::npos) << Text;
  Forms::TFormPtr<Forms::TCustomForm> Copy(
      Forms::CreateFormFromText(Forms::TForm::StaticClass(), nullptr, Text, "picture"));
  auto* Read = Copy->FindComponentAs<ExtCtrls::TImage>("imgLogo");
  ASSERT_NE(Read, nullptr);
  EXPECT_EQ(Read->GetPicture()->GetBitmap()->FileBytes(),
            Image->GetPicture()->GetBitmap()->FileBytes());
  EXPECT_EQ(Read->GetWidth(), 8);
}
