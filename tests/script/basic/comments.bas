' quote comment
rem rem comment
/\ block
   comment /\ x = 1 ' trailing
remain = 1 rem a word that starts with rem is a name
y = "' not a comment" + _
    "rem nor this"
