#include "rtl/Classes.hpp"

namespace Classes {

OV_CLASS_BEGIN(TDataModule, TComponent, "Classes")
B.Property("OldCreateOrder", &TDataModule::GetOldCreateOrder, &TDataModule::SetOldCreateOrder);
B.Property("Height", &TDataModule::GetHeight, &TDataModule::SetHeight);
B.Property("Width", &TDataModule::GetWidth, &TDataModule::SetWidth);
B.Event("OnCreate", &TDataModule::OnCreate);
B.Event("OnDestroy", &TDataModule::OnDestroy);
OV_CLASS_END

void TDataModule::DoCreate() {
  if (OnCreate && !IsDesigning())
    OnCreate(this);
}

void TDataModule::DoDestroy() {
  if (OnDestroy && !IsDesigning())
    OnDestroy(this);
}

} // namespace Classes
