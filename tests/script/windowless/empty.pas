begin end.
