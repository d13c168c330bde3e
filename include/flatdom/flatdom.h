/// \file
/// flatdom: flat access to one XML document at a time.
///
/// Cycle: LoadXmlDocument(), then any number of selections, readers and
/// conversions on the calling thread, then ReleaseNodeInterfaces(), which
/// gives back every node, list and string handed out, the document and its
/// file.
///
/// Ownership: nodes, lists and strings returned by the selection and reader
/// functions belong to the library until ReleaseNodeInterfaces(); never
/// release or free them. OLE strings from StringToBSTR() and every CString
/// returned belong to the caller. Failures are null, 0, 0.0 or an empty
/// string; no function throws.
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

/// \name Lifecycle
/// @{

/// Loads the plain or sealed XML file at path as the document that the
/// selections read.
///
/// Enters a single-threaded COM apartment (a thread already in the
/// multithreaded one stays there), creates the document and loads the file.
/// A document that cannot be created, and a plain file that does not open or
/// parse, are shown to the user in a message box; a sealed file that does not
/// open is not (SealwrightLastFailure() says why).
/// \param path the file's path; a leading "FILE://" or "FILE:" is allowed.
/// \return 1 when the document parsed; 0 otherwise, also for a null path.
FLATDOM_API int LoadXmlDocument(const wchar_t* path);
/// Does nothing.
/// \return 1.
FLATDOM_API int InitDOM();
/// Shows the parse error report for path in a message box, and releases err.
///
/// The report is "PARSE ERROR! path @ line N" and the engine's reason; err is
/// released once.
/// \param err the engine's parse error, taken over by the call; null gives a
///            report of line 0 and releases nothing.
/// \param path the path named in the report.
FLATDOM_API void CheckParseError(IXMLDOMParseError* err, const wchar_t* path);
/// Gives back everything the library handed out, the document and its file.
///
/// Releases the library's reference to every node and list handed out, to
/// the document and to its file stream (references the host took itself, as
/// the root's parent, stay the host's), frees every string handed out, and
/// leaves COM as often as LoadXmlDocument() entered it since the last
/// release. Safe with nothing loaded.
FLATDOM_API void ReleaseNodeInterfaces();
/// Does nothing.
FLATDOM_API void ReleaseDOM();

/// @}
/// \name Selection
/// Results are owned by the library until ReleaseNodeInterfaces(): never
/// release them. Queries are read in the engine's default language (see
/// \ref queries); a null query, or one of white space only, is refused as a
/// query the engine refuses.
/// @{

/// The first node that query selects from the document.
/// \param query a query, from the document.
/// \return the node, owned by the library; null without a document, for no
///         match or for a query the engine refuses.
FLATDOM_API IXMLDOMNode* SelectXmlRootNode(const wchar_t* query);
/// The first node that query selects from node.
/// \param node where the query starts; the caller's, neither kept nor
///             released.
/// \param query a query, from node.
/// \return the node, owned by the library; null for a null node, no match or
///         a query the engine refuses.
FLATDOM_API IXMLDOMNode* SelectXmlNode(IXMLDOMNode* node, const wchar_t* query);
/// Every node that query selects from node, in document order.
/// \param node where the query starts; the caller's, neither kept nor
///             released.
/// \param query a query, from node.
/// \return the list, owned by the library, possibly empty; null for a null
///         node or a query the engine refuses.
FLATDOM_API IXMLDOMNodeList* SelectXmlNodes(IXMLDOMNode* node, const wchar_t* query);
/// The node at a position of a list.
/// \param list a list; the caller's or the library's.
/// \param index a 0-based index.
/// \return the node, owned by the library; null for a null list or an index
///         outside it.
FLATDOM_API IXMLDOMNode* SelectXmlNodeFromList(IXMLDOMNodeList* list, long index);

/// @}
/// \name Value readers
/// @{

/// The node's text: an attribute's value; for an element, the text of all
/// it holds, one space where white space separated its parts.
/// \param node a node.
/// \return the text, owned by the library until ReleaseNodeInterfaces(); null
///         for a null node.
FLATDOM_API wchar_t* GetXmlText(IXMLDOMNode* node);
/// The node's name without its prefix ("item" for cat:item).
/// \param node a node.
/// \return the name, owned by the library until ReleaseNodeInterfaces(); null
///         for a null node or a node without a name (text, the document).
FLATDOM_API wchar_t* GetBaseNodeName(IXMLDOMNode* node);
/// The same as GetXmlNumber_Hex_or_Dec().
/// \param node a node.
/// \return the number; 0 for a null node or a text without digits.
FLATDOM_API long GetXmlNumber(IXMLDOMNode* node);
/// The node's text as hexadecimal, after a "0x" or "0X" if it starts with
/// one, read as HexStringToInt() reads it.
/// \param node a node.
/// \return the 32-bit value; 0 for a null node.
FLATDOM_API long GetXmlHexNumber(IXMLDOMNode* node);
/// The node's text as hexadecimal after a leading "0x" or "0X", as decimal
/// otherwise.
///
/// Decimal reading stops at the first character that is not a digit, and a
/// value beyond the 32-bit range gives the nearest bound.
/// \param node a node.
/// \return the number; 0 for a null node or a text without digits.
FLATDOM_API long GetXmlNumber_Hex_or_Dec(IXMLDOMNode* node);
/// The node's text as a floating-point number, read as the C runtime's
/// wcstod reads it in the host's locale.
/// \param node a node.
/// \return the number; 0.0 for a null node or a text that does not start
///         with a number.
FLATDOM_API double GetXmlFloat(IXMLDOMNode* node);

/// @}
/// \name Conversions
/// They need no document.
/// @{

/// Hexadecimal text to a 32-bit value. Every character counts by a fixed
/// table and none is skipped: 0-9 weigh 0 to 9, A-F and a-f 10 to 15, any
/// other its code point minus 48 (up to '@'), 55 (up to '_') or 87; the value
/// wraps at 32 bits.
/// \param text the digits.
/// \return the value; 0 for null text.
FLATDOM_API long HexStringToInt(const wchar_t* text);
/// A number in fixed-point notation, rounded; "." is the point whatever the
/// locale, and inf, -inf and nan print as such.
/// \param value the number.
/// \param count digits after the point; a negative count is taken as 0.
/// \return the text, the caller's.
FLATDOM_API CString DoubleToString(double value, int count);
/// As DoubleToString(), of the value widened exactly to double.
/// \param value the number.
/// \param count digits after the point; a negative count is taken as 0.
/// \return the text, the caller's.
FLATDOM_API CString FloatToString(float value, int count);
/// A CString of an OLE string, or of any wide string (a reader's text), up
/// to its first NUL.
/// \param bstr the string; it stays the caller's.
/// \return the copy, the caller's; "" for null.
FLATDOM_API CString BSTRToCString(wchar_t* bstr);
/// A new OLE string.
/// \param text the text to copy, up to its NUL.
/// \return the OLE string, the caller's (free it with ReleaseBSTR()); null
///         for null text or when memory runs out.
FLATDOM_API wchar_t* StringToBSTR(const wchar_t* text);
/// Frees an OLE string.
/// \param bstr the string; null does nothing.
FLATDOM_API void ReleaseBSTR(wchar_t* bstr);

/// @}

#if defined(_WIN32)
// Message boxes a host can take, as on Linux, where the platform layer
// declares these (flatdom/platform/winuser.h, included above): a handler
// receives every report the library would show (the parse error report and
// "Error creating COM object!"), from any thread, and nothing is shown. Without
// one, the system's message box appears.

// Receives one message box: context is what SetMessageBoxHandler() was given,
// caption, text and style (MB_ flags) what the box would show; the answer is
// the button chosen, such as IDOK.
typedef int (*MessageBoxHandler)(void* context, LPCWSTR caption, LPCWSTR text, UINT style);

// Installs handler for every later message box of the library; null restores
// the system's message box. context is passed to each call of handler.
extern "C" FLATDOM_API void SetMessageBoxHandler(MessageBoxHandler handler, void* context);
#endif

#endif
