object M: TDataModule
  object Q: TOVQuery
    SQL.Strings = (
      'select *'#13#10
      'from t')
    Params = <
      item
        Name = 'p'
      end>
    Data = {0A0B}
    Options = [a, b]
    F = 1.5e10
    N = -$7F
  end
end
