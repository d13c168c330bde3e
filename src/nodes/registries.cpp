#include "nodes/registries.h"

// Constructed in this order at load, destroyed in the reverse order at
// unload: the strings are freed then, interfaces are not released.
InterfaceList<IXMLDOMNode> g_NodeRegistry;
InterfaceList<IXMLDOMNodeList> g_NodeListRegistry;
StringCollector g_StringRegistry;
