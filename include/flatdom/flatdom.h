// flatdom: flat access to one XML document at a time.
//
// Cycle: LoadXmlDocument, then any number of selections, readers and
// conversions on the calling thread, then ReleaseNodeInterfaces, which gives
// back every node, list and string handed out, the document and its file.
//
// Ownership: nodes, lists and strings returned by the selection and reader
// functions belong to the library until ReleaseNodeInterfaces; never release
// or free them. OLE strings from StringToBSTR and every CString returned
// belong to the caller. Failures are null, 0, 0.0 or an empty string; no
// function throws.
#ifndef FLATDOM_FLATDOM_H
#define FLATDOM_FLATDOM_H

#include <flatdom/system.h>
#include <flatdom/cstring.h>
#include <flatdom/version.h>

#if defined(_WIN32)
#if defined(FLATDOM_BUILDING)
#define FLATDOM_API __declspec(dllexport)
#else
#define FLATDOM_API __declspec(dllimport)
#endif
#else
#define FLATDOM_API __attribute__((visibility("default")))
#endif

// --- Lifecycle ---------------------------------------------------------------

// Enters a single-threaded COM apartment (a thread already in the
// multithreaded one stays there), creates the document and loads the plain or
// sealed file at path (a leading "FILE://" or "FILE:" is allowed). 1 when it
// parsed; 0 otherwise. A document that cannot be created, and a plain file
// that does not open or parse, are shown to the user in a message box; a
// sealed file that does not open is not (SealwrightLastFailure says why).
// Null path: 0.
FLATDOM_API int LoadXmlDocument(const wchar_t* path);
// Does nothing; answers 1.
FLATDOM_API int InitDOM();
// Shows the parse error report for path and releases err once. Null err: the
// report reads line 0 and nothing is released.
FLATDOM_API void CheckParseError(IXMLDOMParseError* err, const wchar_t* path);
// Gives back the library's reference to every node and list handed out, to
// the document and to its file stream (references the host took itself, as
// the root's parent, stay the host's), frees every string handed out, and
// leaves COM as often as LoadXmlDocument entered it since the last release.
FLATDOM_API void ReleaseNodeInterfaces();
// Does nothing.
FLATDOM_API void ReleaseDOM();

// --- Selection (results owned by the library) --------------------------------
// A null query, or one of white space only, is refused as a query the engine
// refuses.

// First node the query selects from the document; null without a document,
// for no match or for a query the engine refuses.
FLATDOM_API IXMLDOMNode* SelectXmlRootNode(const wchar_t* query);
// First node the query selects from node; null for a null node.
FLATDOM_API IXMLDOMNode* SelectXmlNode(IXMLDOMNode* node, const wchar_t* query);
// Every node the query selects from node (possibly an empty list); null for a
// null node or a query the engine refuses.
FLATDOM_API IXMLDOMNodeList* SelectXmlNodes(IXMLDOMNode* node, const wchar_t* query);
// The node at a 0-based index; null for a null list or an index outside it.
FLATDOM_API IXMLDOMNode* SelectXmlNodeFromList(IXMLDOMNodeList* list, long index);

// --- Value readers -----------------------------------------------------------

// The node's text (owned by the library); null for a null node.
FLATDOM_API wchar_t* GetXmlText(IXMLDOMNode* node);
// The node's name without prefix (owned by the library); null for a null node
// or a node without a name.
FLATDOM_API wchar_t* GetBaseNodeName(IXMLDOMNode* node);
// Same as GetXmlNumber_Hex_or_Dec.
FLATDOM_API long GetXmlNumber(IXMLDOMNode* node);
// The text as hexadecimal, with or without a "0x" prefix; 0 for a null node.
FLATDOM_API long GetXmlHexNumber(IXMLDOMNode* node);
// Hexadecimal after a leading "0x" or "0X", decimal otherwise; 0 for a null node.
FLATDOM_API long GetXmlNumber_Hex_or_Dec(IXMLDOMNode* node);
// The text as a floating-point number (0.0 if it does not start with one).
FLATDOM_API double GetXmlFloat(IXMLDOMNode* node);

// --- Conversions (no document needed) ----------------------------------------

// Hexadecimal digits to a 32-bit value; every character counts by a fixed
// table, nothing is skipped; null text: 0.
FLATDOM_API long HexStringToInt(const wchar_t* text);
// Fixed-point text with count digits after the point (negative count: 0).
FLATDOM_API CString DoubleToString(double value, int count);
// As DoubleToString, of the value widened exactly to double.
FLATDOM_API CString FloatToString(float value, int count);
// A CString of an OLE string, or of any wide string (a reader's text), up to
// its first NUL; null gives "".
FLATDOM_API CString BSTRToCString(wchar_t* bstr);
// A new OLE string (free it with ReleaseBSTR); null for null.
FLATDOM_API wchar_t* StringToBSTR(const wchar_t* text);
// Frees an OLE string; null does nothing.
FLATDOM_API void ReleaseBSTR(wchar_t* bstr);

#endif
