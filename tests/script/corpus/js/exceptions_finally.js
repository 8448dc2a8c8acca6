// finally runs whatever happens: normal end, exception, return, break.
var i, log;

function WithExit()
{
  try {
    log += "a";
    return;
    log += "never";
  } finally {
    log += "b";
    log += "c";
  }
  log += "never";
}

log = "";
WithExit();
ShowMessage(log);
log = "";
for (i = 1; i <= 3; i++) {
  try {
    if (i == 2) break;
    log += IntToStr(i);
  } finally {
    log += "f";
    log += ".";
  }
}
ShowMessage(log);
log = "";
try {
  try {
    log += "x";
    RaiseException("inner");
  } finally {
    log += "y";
  }
} except {
  log = log + "z:" + ExceptionMessage;
}
ShowMessage(log);
