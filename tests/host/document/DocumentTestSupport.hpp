// The design documents of the history and clipboard tests: a shop design of
// the runtime package's components, opened with a designer on it.
#pragma once

#include "designide/DesignIntf/Designer.hpp"
#include "host/DesignDocument.hpp"
#include "orvane60/Orvane60.hpp"
#include "rtl/TypInfo.hpp"
#include "support/Process.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace DocumentTest {

using Classes::TComponent;

// A database, a query with its update object, a master table with its data
// source and a detail table on it.
inline const std::string Shop = "object DataModule1: TDataModule\n"
                                "  OldCreateOrder = False\n"
                                "  Height = 300\n"
                                "  Width = 400\n"
                                "  object ShopDatabase: TOVDatabase\n"
                                "    DatabaseName = 'shop'\n"
                                "    Left = 24\n"
                                "    Top = 16\n"
                                "  end\n"
                                "  object CustomerQuery: TOVQuery\n"
                                "    DatabaseName = 'shop'\n"
                                "    SQL.Strings = (\n"
                                "      'select id, name from customer')\n"
                                "    UpdateObject = CustomerUpdate\n"
                                "    Left = 120\n"
                                "    Top = 16\n"
                                "  end\n"
                                "  object CustomerUpdate: TOVUpdateSQL\n"
                                "    Left = 216\n"
                                "    Top = 16\n"
                                "  end\n"
                                "  object Customers: TOVTable\n"
                                "    DatabaseName = 'shop'\n"
                                "    TableName = 'customer'\n"
                                "    Left = 24\n"
                                "    Top = 88\n"
                                "  end\n"
                                "  object CustomerSource: TDataSource\n"
                                "    DataSet = Customers\n"
                                "    Left = 120\n"
                                "    Top = 88\n"
                                "  end\n"
                                "  object Orders: TOVTable\n"
                                "    DatabaseName = 'shop'\n"
                                "    MasterSource = CustomerSource\n"
                                "    TableName = 'orders'\n"
                                "    Left = 216\n"
                                "    Top = 88\n"
                                "  end\n"
                                "end\n";

class Document : public ::testing::Test {
protected:
  void SetUp() override { Orvane60::Initialize(); }
  void TearDown() override {
    Designer.Reset();
    Doc.reset();
    Orvane60::Finalize();
  }
  // Opens Text as a design file with a designer on it.
  DesignDocument::TDesignDocument& Open(const std::string& Text,
                                        const std::string& Name = "shop.dfm") {
    Designer.Reset();
    Doc.reset();
    TestSupport::WriteFile(Dir / Name, Text);
    Doc = DesignDocument::TDesignDocument::Open(Dir / Name);
    Opened = Doc->Text();
    Designer = System::TInterfaceRef<DesignIntf::TDesigner>(new DesignIntf::TDesigner(Doc->Root()));
    return *Doc;
  }
  TComponent* C(const std::string& Name) {
    TComponent* Found = Designer->GetComponent(Name);
    EXPECT_NE(Found, nullptr) << Name;
    return Found;
  }
  // A property as text: a string list's lines joined by line feeds, a
  // component reference by the name of the component ("" for none).
  static std::string GetProp(TComponent* Instance, const char* Name) {
    const TypInfo::TPropInfo* Info = TypInfo::GetPropInfo(Instance, Name);
    if (Info->PropType->Kind != TypInfo::TTypeKind::tkClass)
      return TypInfo::GetPropValueText(Instance, Info);
    System::TObject* Obj = TypInfo::GetObjectProp(Instance, Info);
    if (auto* Lines = dynamic_cast<Classes::TStrings*>(Obj)) {
      std::string Text;
      for (int I = 0; I < Lines->Count(); ++I)
        Text += (I ? "\n" : "") + Lines->Get(I);
      return Text;
    }
    auto* Comp = dynamic_cast<TComponent*>(Obj);
    return Comp ? Comp->GetName() : std::string();
  }
  static void SetProp(TComponent* Instance, const char* Name, const std::string& Value) {
    const TypInfo::TPropInfo* Info = TypInfo::GetPropInfo(Instance, Name);
    if (Info->PropType->Kind != TypInfo::TTypeKind::tkClass)
      TypInfo::SetPropValueText(Instance, Info, Value);
    else if (auto* Lines = dynamic_cast<Classes::TStrings*>(TypInfo::GetObjectProp(Instance, Info)))
      Lines->SetText(Value);
  }

  TestSupport::TTempDir Dir;
  std::string Opened; // the text of the design as it was opened
  std::unique_ptr<DesignDocument::TDesignDocument> Doc;
  System::TInterfaceRef<DesignIntf::TDesigner> Designer;
};

} // namespace DocumentTest
