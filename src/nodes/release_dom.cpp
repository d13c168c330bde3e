#include "frame/library.h"

// ReleaseNodeInterfaces does all the tearing down; this is kept for hosts
// that call it last.
void ReleaseDOM() {}
