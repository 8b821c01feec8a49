// Translations of printf-style formats. A catalogue is input from outside the
// program: a translation whose directives differ from its English text would
// read arguments that were never passed, or end the program in SNPrintF. Such
// a translation is not used; the English text is.
#pragma once

// The catalogue's translation of format when its directives take the same
// arguments as format's (same count, letters and positions; "%/N" positions
// count), else format itself. Directives are read as SNPrintF reads them,
// with the standard printf letters i, u and x accepted beside c, d and s.
const char* GetFormatString(const char* format);

// Whether two formats' directives take the same arguments, as above; false
// when either holds a directive that cannot be read.
bool SameFormatArguments(const char* a, const char* b);
