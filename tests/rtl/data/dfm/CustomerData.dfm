object CustomerData: TDataModule
  OldCreateOrder = False
  OnCreate = DataModuleCreate
  OnDestroy = DataModuleDestroy
  Left = 285
  Top = 161
  Height = 318
  Width = 426
  object dbSales: TOVDatabase
    DatabaseName = 'sales'
    Params.Strings = (
      'USER NAME=sysadm'
      'PASSWORD=')
    RemoteDatabase = 'sqlite:/var/lib/sales/sales.db'
    ServerType = stSQLite
    LoginPrompt = False
    Left = 40
    Top = 16
  end
  object qCustomers: TOVQuery
    Database = dbSales
    SQL.Strings = (
      'select c.ID, c.NAME, c.CITY, c.CREDIT_LIMIT'
      'from CUSTOMER c'
      'where c.CITY = :CITY and c.CREDIT_LIMIT >= :MIN_LIMIT'
      'order by c.NAME')
    UpdateObject = usCustomers
    RequestLive = True
    Left = 40
    Top = 72
    ParamData = <
      item
        DataType = ftString
        Name = 'CITY'
        ParamType = ptInput
        Value = 'M'#252'nchen'
      end
      item
        DataType = ftFloat
        Name = 'MIN_LIMIT'
        ParamType = ptInput
        Value = 2500.5
      end>
    object qCustomersID: TIntegerField
      FieldName = 'ID'
      Required = True
    end
    object qCustomersNAME: TStringField
      DisplayLabel = 'Customer'
      DisplayWidth = 30
      FieldName = 'NAME'
      Size = 80
    end
    object qCustomersCREDIT_LIMIT: TFloatField
      FieldName = 'CREDIT_LIMIT'
      currency = True
    end
  end
  object usCustomers: TOVUpdateSQL
    ModifySQL.Strings = (
      'update CUSTOMER set'
      '  NAME = :NAME,'
      '  CITY = :CITY'
      'where'
      '  ID = :OLD_ID')
    InsertSQL.Strings = (
      'insert into CUSTOMER (ID, NAME, CITY)'
      'values (:ID, :NAME, :CITY)')
    DeleteSQL.Strings = (
      'delete from CUSTOMER'
      'where ID = :OLD_ID')
    Left = 136
    Top = 72
  end
  object spRecalc: TOVStoredProc
    Database = dbSales
    StoredProcName = 'RECALC_TOTALS'
    Left = 136
    Top = 16
    ParamData = <>
  end
  object OVMonitor1: TOVMonitor
    Active = False
    TraceFlags = [tfQExecute, tfConnect, tfTransact]
    Left = 232
    Top = 16
  end
end
