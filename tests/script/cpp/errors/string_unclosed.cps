{ x = "abc
; }