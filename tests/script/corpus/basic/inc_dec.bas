' Inc and Dec write back through their byref parameter.
dim i as integer
dim v
dim a[3] as integer
i = 5
Inc i
ShowMessage IntToStr(i)
Inc i, -3
ShowMessage IntToStr(i)
Dec i
Dec i, 10
ShowMessage IntToStr(i)
v = 1.5
Inc v
ShowMessage VarToStr(v)
a[1] = 10
Inc a[1], 5
ShowMessage IntToStr(a[1])
