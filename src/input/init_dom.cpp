#include "frame/library.h"

// Loading does all the setting up; this is kept for hosts that call it first.
int InitDOM() {
    return 1;
}
