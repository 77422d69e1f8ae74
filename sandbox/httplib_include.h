// The one place cpp-httplib is included. Its header does not build cleanly under the project's
// warnings when it is found outside the system include folders, so they are silenced for it.
#pragma once

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wold-style-cast"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wpedantic"
#include <httplib.h>
#pragma GCC diagnostic pop
