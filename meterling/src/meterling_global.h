#pragma once

#include <QtCore/qglobal.h>

// Symbols of the shared library are hidden unless marked; the library's own build defines
// METERLING_LIBRARY, everyone else imports.
#if defined(METERLING_LIBRARY)
#define METERLING_EXPORT Q_DECL_EXPORT
#else
#define METERLING_EXPORT Q_DECL_IMPORT
#endif
