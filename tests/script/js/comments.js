/* block
   comment */ // line comment
x = 1 /* inline */ + 2; // trailing
y = "/* not a comment */" + "// nor this";
IF (x == 3) y = 4; // keywords ignore case
