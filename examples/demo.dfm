object DemoData: TDataModule
  OldCreateOrder = False
  Height = 320
  Width = 480
  object OVDatabase1: TOVDatabase
    DatabaseName = 'demo'
    LoginPrompt = False
    Params.Strings = (
      'BUSY_TIMEOUT=2000')
    RemoteDatabase = 'demo.db'
    Left = 40
    Top = 24
  end
  object CustomerQuery: TOVQuery
    DatabaseName = 'demo'
    SQL.Strings = (
      'select c.id, c.name, c.city, c.credit'
      'from customer c'
      'order by c.name')
    UpdateObject = CustomerUpdate
    Left = 136
    Top = 24
  end
  object CustomerUpdate: TOVUpdateSQL
    ModifySQL.Strings = (
      'update customer set name = :name, city = :city, credit = :credit'
      'where id = :OLD_id')
    Left = 232
    Top = 24
  end
  object OrdersTable: TOVTable
    DatabaseName = 'demo'
    TableName = 'orders'
    Left = 136
    Top = 96
  end
end
