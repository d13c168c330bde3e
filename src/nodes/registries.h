// The three records of what the library handed to the host, from library
// load to unload; ReleaseNodeInterfaces empties them.
#ifndef FLATDOM_NODES_REGISTRIES_H
#define FLATDOM_NODES_REGISTRIES_H

#include "frame/library.h"
#include "nodes/interface_list.h"
#include "nodes/string_collector.h"

extern InterfaceList<IXMLDOMNode> g_NodeRegistry;
extern InterfaceList<IXMLDOMNodeList> g_NodeListRegistry;
extern StringCollector g_StringRegistry;

#endif
