' The string functions: byte positions of UTF-8 text, clipping, write-back
' through byref parameters. "delete" is a keyword here: DeleteStr stands in.
dim s as string
s = "Hello, World"
ShowMessage IntToStr(Length(s)) & " " & IntToStr(Length(""))
ShowMessage Copy(s, 1, 5) & "|" & Copy("abc", 2, 10) & "|" & Copy("abc", 0, 2) & "|" & Copy("abc", 5, 1) & "|"
ShowMessage IntToStr(Pos("World", s)) & " " & IntToStr(Pos("x", "abc")) & " " & IntToStr(Pos("", "abc"))
DeleteStr s, 6, 7
ShowMessage s
Insert " there", s, 6
ShowMessage s
Insert ">", s, 0
Insert "<", s, 100
ShowMessage s
DeleteStr s, 1, 1
ShowMessage s
ShowMessage Uppercase("abc xyz") & " " & Lowercase("ABC Xyz")
ShowMessage "[" & Trim("  padded  ") & "]"
ShowMessage NameCase("hELLO wORLD") & " " & NameCase("jean-luc picard")
ShowMessage IntToStr(CompareText("abc", "ABC")) & " " & IntToStr(CompareText("a", "b")) & " " & IntToStr(CompareText("b", "A"))
ShowMessage Chr(65) & Chr(66) & " " & IntToStr(Ord("a")) & " " & IntToStr(Ord(""))
s = "abc"
SetLength s, 2
ShowMessage s & " " & IntToStr(Length(s))
SetLength s, 4
ShowMessage IntToStr(Length(s)) & " " & IntToStr(Ord(Copy(s, 4, 1)))
s = "it's" & #33
ShowMessage s
