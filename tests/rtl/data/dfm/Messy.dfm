OBJECT Report1: TReportForm [0]
	Caption=#$52'eport'#13#10'"Total": '#8364' and it''s'
  Tag = $10
  Ratio = 2.50000000000000000E+0003
  Price = 12.5000C
  Due = 37257D
  Scale = 1.5s
  Emoji = #55357#56832' ok'
  Notes = 'line one'#13#10 +
    'line two'#13#10 +

    'line three'
  Matrix = ((1 2) (3 (4 5)) ())
  Empty = ()
  Flags = [ ]
  Options = [ foA,foB ]
  Items = < item [2] Text = 'x' end ITEM End >
  Nothing = <>
  Data = { 0a0B
 0c }
  Link = Report1 . Table1
  OnPrint = nil
  INHERITED Table1: TTable
  END
  inline Frame1: TFrame1 [1]
    object TTimer
    end
  end
end
