// What the program, the platform library and the runtime package share. This
// program is built like the host (position-independent executable, taking
// copies of the libraries' variables it uses) and links both libraries, so
// each check fails if the link lets a library keep a second copy of
// something that must be one: a variable, the type info record of an
// enumeration or set, the class registry. Virtual tables and C++ type info
// may have a copy per module; casts and catching must not notice.
#include "db/DB.hpp"
#include "orvane60/OVEngine.hpp"
#include "orvane60/Orvane60.hpp"
#include "rtl/Classes.hpp"
#include "rtl/SysUtils.hpp"
#include "rtl/TypInfo.hpp"
#include "vcl/Forms.hpp"

#include <gtest/gtest.h>

#include <memory>

using namespace OVEngine;

namespace {

const TypInfo::TTypeInfo* PropTypeOf(System::TClass C, const char* Name) {
  const TypInfo::TPropInfo* P = TypInfo::GetPropInfo(C, Name);
  return P ? P->PropType : nullptr;
}

TEST(ModuleBoundary, AVariableOfTheRuntimePackageIsOneWhateverModuleWritesIt) {
  const TOVServerType Saved = DefServerType;
  // Written here (the program's copy of the variable), read by the
  // package's constructor.
  DefServerType = TOVServerType::stMySQL;
  TOVDatabase Db(nullptr);
  DefServerType = Saved;
  EXPECT_EQ(Db.GetServerType(), TOVServerType::stMySQL);
}

TEST(ModuleBoundary, TypeInfoRecordsAreOneAcrossTheProgramAndTheLibraries) {
  // Enumerations and sets of the runtime package, reached through the class
  // table the package built and here.
  EXPECT_EQ(PropTypeOf(TOVDatabase::StaticClass(), "ServerType"),
            OvTypeInfo(static_cast<TOVServerType*>(nullptr)));
  const TypInfo::TTypeInfo* Options = PropTypeOf(TOVDatabase::StaticClass(), "DesignOptions");
  EXPECT_EQ(Options, OvTypeInfo(static_cast<TOVDesignDBOptions*>(nullptr)));
  ASSERT_NE(Options, nullptr);
  EXPECT_EQ(Options->CompType, OvTypeInfo(static_cast<TOVDesignDBOption*>(nullptr)));
  // The platform library's own, through its class tables.
  EXPECT_EQ(PropTypeOf(DB::TParam::StaticClass(), "ParamType"),
            DB::OvTypeInfo(static_cast<DB::TParamType*>(nullptr)));
  EXPECT_EQ(PropTypeOf(Forms::TForm::StaticClass(), "Position"),
            Forms::OvTypeInfo(static_cast<Forms::TPosition*>(nullptr)));
}

TEST(ModuleBoundary, ClassesTheRuntimePackageRegistersAreFoundThroughThePlatform) {
  Orvane60::Initialize();
  EXPECT_EQ(Classes::GetClass("TOVQuery"), TOVQuery::StaticClass());
  EXPECT_EQ(Classes::GetClass("TOVDatabase"), TOVDatabase::StaticClass());
  Orvane60::Finalize();
}

TEST(ModuleBoundary, CastsAndCatchesWorkOnObjectsAndErrorsOfAnotherModule) {
  // Made by the runtime package (its virtual table and type info), cast here.
  std::unique_ptr<Classes::TComponent> Query = std::make_unique<TOVQuery>(nullptr);
  EXPECT_NE(dynamic_cast<DB::TDataSet*>(Query.get()), nullptr);
  EXPECT_NE(dynamic_cast<TOVDataSet*>(Query.get()), nullptr);
  EXPECT_EQ(dynamic_cast<TOVDatabase*>(Query.get()), nullptr);

  // Raised by the platform library, caught here by its class and its base.
  EXPECT_THROW(SysUtils::StrToInt("x"), SysUtils::EConvertError);
  try {
    SysUtils::StrToInt("x");
    FAIL() << "no error";
  } catch (const SysUtils::Exception& E) {
    EXPECT_NE(dynamic_cast<const SysUtils::EConvertError*>(&E), nullptr);
    EXPECT_EQ(E.ClassType(), SysUtils::EConvertError::StaticClass());
  }
  // Raised by the runtime package with a class of the platform's.
  TOVDatabase Db(nullptr);
  EXPECT_THROW(Db.Connection(), DB::EDatabaseError); // not connected
}

} // namespace
