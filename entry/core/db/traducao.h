#pragma once
// Statement translation belongs to the server's driver; kept reachable here
// for the callers that name a server connection string or its schema.
#include "core/db/postgres/traducao.h"
