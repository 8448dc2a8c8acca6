/* block
   comment */ // line comment
{ // after the brace
  x = 1 /* inline */ + 2; // trailing
  y = "/* not a comment */" + "// nor this";
  IF = 3; // upper case IF is a name here
}
