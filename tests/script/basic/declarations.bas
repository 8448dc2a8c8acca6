dim count, total as integer = 0
dim price as decimal = 1.5, rate as extended
dim names[5] as string, cells[1..4, 0 to 1]
Dim Done As Boolean = False : dim v
dim list = new TStringList
