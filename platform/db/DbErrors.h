#pragma once
// Errors of the database layer. Messages are the engine's own, prefixed with
// what was being done and the file or server it was done on.

#include "Exceptions.h"

DORVAK_DECLARE_EXCEPTION(EDatabaseError, Exception)
// The file exists but is not an SQLite database (or is an Access file).
DORVAK_DECLARE_EXCEPTION(ENotADatabase, EDatabaseError)
// The server went away (or never answered): the connection is closed, and
// whether a statement sent with it took effect is unknown.
DORVAK_DECLARE_EXCEPTION(EConnectionLost, EDatabaseError)
// A unique index refused the row.
DORVAK_DECLARE_EXCEPTION(EUniqueViolation, EDatabaseError)
// The connection only reads: the statement would have changed something.
DORVAK_DECLARE_EXCEPTION(EReadOnlyRefused, EDatabaseError)
