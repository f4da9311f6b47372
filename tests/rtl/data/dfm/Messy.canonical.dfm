object Report1: TReportForm [0]
  Caption = 'Report'#13#10'"Total": '#8364' and it''s'
  Tag = 16
  Ratio = 2500.0
  Price = 12.5c
  Due = 37257.0d
  Scale = 1.5s
  Emoji = #128512' ok'
  Notes = 'line one'#13#10'line two'#13#10'line three'
  Matrix = (
    (
      1
      2)
    (
      3
      (
        4
        5))
    ())
  Empty = ()
  Flags = []
  Options = [foA, foB]
  Items = <
    item [2]
      Text = 'x'
    end
    item
    end>
  Nothing = <>
  Data = {0A0B0C}
  Link = Report1.Table1
  OnPrint = nil
  inherited Table1: TTable
  end
  inline Frame1: TFrame1 [1]
    object TTimer
    end
  end
end
