// Run by scriptrun --report with the order sheet: the report's objects,
// Report and the report's functions, as the report's own script has them.
begin
  ShowMessage(Report.FindObject('Memo1').Name);
  ShowMessage(Memo1.Text);
  ShowMessage(IntToStr(ReportSummary1.Objects.Count) + ' objects in ' + ReportSummary1.Page.Name);
  ShowMessage(VarToStr(IIF(1 < 2, 'report IIF', 'module IIF')));
end.
