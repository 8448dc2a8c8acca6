// Without a display and without answers a box is refused, never waited for.
begin
  ShowMessage(IntToStr(MessageDlg('继续？', mtConfirmation, [mbOK, mbCancel], 0)));
  ShowMessage(InputBox('c', 'p', 'default'));
end.
