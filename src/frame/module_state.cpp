#include "frame/module_state.h"

// Zero before any code runs: no initialiser, nothing executes at load.
IXMLDOMDocument* g_pXMLDoc;
CMyFileStream* g_pFileStream;
unsigned long g_nComEntries;
