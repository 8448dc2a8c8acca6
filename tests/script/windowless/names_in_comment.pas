// clRed appears only in this comment: the script goes to the whole
// registration, which prints the same.
begin
  ShowMessage('plain');
end.
