{ brace comment } (* paren-star
   comment over lines *) // line comment
begin // after begin
  x := 1 { inline } + (* inline *) 2; // trailing
  { (* nested opener ignored *) }
  y := '{ not a comment }' + '// nor this'
end.
