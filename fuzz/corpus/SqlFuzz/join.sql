select a, b as "B", t.*, * from t join u using (id) where x = :p and y = :"q r" -- c
