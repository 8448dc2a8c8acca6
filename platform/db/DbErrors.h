#pragma once
// Errors of the database layer. Messages are SQLite's own, prefixed with
// what was being done.

#include "Exceptions.h"

DORVAK_DECLARE_EXCEPTION(EDatabaseError, Exception)
// The file exists but is not an SQLite database (or is an Access file).
DORVAK_DECLARE_EXCEPTION(ENotADatabase, EDatabaseError)
