#include "parse.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "libxml2_errors.h"
#include "no_external.h"
#include "limits.h"
#include "parse_errors.h"
#include "start_tag_guard.h"
#include "tree_builder.h"

namespace engine::tree {
namespace {

// Entities are replaced by their text (within libxml2's limits on expansion)
// and default attribute values come from the internal subset. Messages go to
// the context's structured handler alone (which newer libxml2 skips under
// XML_PARSE_NOERROR, so that option is not set).
constexpr int kOptions =
    XML_PARSE_NOENT | XML_PARSE_DTDATTR | XML_PARSE_NONET | XML_PARSE_BIG_LINES;
constexpr std::size_t kChunk = 64 * 1024;

constexpr char kOutOfMemory[] = "There was not enough memory to load the document.\n";

const char* Chars(const xmlChar* text) {
    return reinterpret_cast<const char*>(text);
}

std::string_view View(const xmlChar* text) {
    return text ? std::string_view(Chars(text)) : std::string_view();
}

// One parse: the tree it builds and what went wrong.
class ParseRun {
  public:
    ParseRun() : m_tree(new DocumentTree()), m_builder(*m_tree) {
        xmlSAXHandler sax;
        xmlSAXVersion(&sax, 2);
        sax.startDocument = StartDocument;
        sax.startElementNs = StartElement;
        sax.endElementNs = EndElement;
        sax.characters = Characters;
        sax.ignorableWhitespace = Characters;
        sax.cdataBlock = Cdata;
        sax.comment = Comment;
        sax.processingInstruction = ProcessingInstruction;
        sax.reference = Reference;
        sax.serror = CaptureError;
        m_context = xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, nullptr);
        if (!m_context) return;
        m_context->_private = this;
        xmlCtxtUseOptions(m_context, kOptions);
        m_external.Install(m_context);
        // Entity references are seen as libxml2 looks their entities up.
        m_getEntity = m_context->sax->getEntity ? m_context->sax->getEntity : xmlSAX2GetEntity;
        m_context->sax->getEntity = GetEntity;
    }
    ~ParseRun() {
        if (!m_context) return;
        if (m_context->myDoc) xmlFreeDoc(m_context->myDoc);
        m_context->myDoc = nullptr;
        xmlFreeParserCtxt(m_context);
    }
    ParseRun(const ParseRun&) = delete;
    ParseRun& operator=(const ParseRun&) = delete;

    bool Ready() const { return m_context != nullptr; }
    // The text is UTF-8 whatever it declares; its declared encoding is given.
    void ReadAsUtf8(std::string declared) {
        xmlCtxtUseOptions(m_context, kOptions | XML_PARSE_IGNORE_ENC);
        xmlSwitchEncoding(m_context, XML_CHAR_ENCODING_UTF8);
        m_declaredEncoding = std::move(declared);
        m_encodingGiven = true;
    }
    // False once the parse stopped.
    bool Feed(const char* bytes, std::size_t size) {
        if (Stopped()) return false;
        m_builder.Read(size);
        xmlParseChunk(m_context, bytes, static_cast<int>(size), 0);
        if (!Stopped() && !m_startTag.Check(m_context)) Stop(m_context, kTooManyAttributes);
        return !Stopped();
    }
    ParseOutcome Finish() {
        if (!Stopped()) xmlParseChunk(m_context, nullptr, 0, 1);
        if (!Stopped()) Run(m_context, [](ParseRun& parse) { return parse.EndReferences(0); });
        const bool ok = !Stopped() && m_context->wellFormed && m_context->nsWellFormed &&
                        m_builder.Finish() && m_builder.DeclarationText(DeclarationText());
        if (!ok)
            return Fail(m_builder.Failure() ? m_builder.Failure()
                                            : "The document could not be parsed.\n");
        m_builder.Doctype(DoctypeText());
        m_builder.EncodingNamed(!Encoding().empty());
        ParseOutcome outcome;
        outcome.tree = std::move(m_tree);
        return outcome;
    }
    // The outcome of a parse that failed: the first error, or else reason.
    ParseOutcome Fail(const char* reason) {
        if (!m_error.failed) {
            m_error.failed = true;
            m_error.reason = reason;
        }
        ParseOutcome outcome;
        outcome.error = std::move(m_error);
        return outcome;
    }

  private:
    static ParseRun& Of(void* context) {
        return *static_cast<ParseRun*>(static_cast<xmlParserCtxtPtr>(context)->_private);
    }
    bool Stopped() const { return m_stopped || m_context->disableSAX != 0; }

    // Runs one event: a refusal or an exception stops the parse (no
    // exception may cross libxml2), with the reason and where it happened.
    // The entity references that ended before it are closed first.
    template <class Event>
    static void Run(void* context, Event&& event) {
        ParseRun& parse = Of(context);
        auto* parser = static_cast<xmlParserCtxtPtr>(context);
        const char* reason = nullptr;
        try {
            if (!parse.Ended(parser) || !event(parse)) reason = parse.m_builder.Failure();
        } catch (...) {
            reason = kOutOfMemory;
        }
        if (reason) parse.Stop(parser, reason);
    }
    void Stop(xmlParserCtxtPtr parser, const char* reason) {
        if (!m_error.failed) {
            m_error.failed = true;
            m_error.reason = reason;
            m_error.line = parser->input ? parser->input->line : 0;
            m_error.column = parser->input ? parser->input->col : 0;
        }
        m_stopped = true;
        xmlStopParser(parser);
        if (parser != m_context) xmlStopParser(m_context);
    }

    // Entity references in content. libxml2 parses an entity's replacement
    // with a parser context of its own each time it is referenced (the tree
    // keeps none of it), so the events of a reference come from another
    // context than the reference itself: a reference ends at the next event
    // of the context that made it.
    static bool InContent(const xmlParserCtxt* parser) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        return parser->inSubset == 0 && parser->instate == XML_PARSER_CONTENT;
#pragma GCC diagnostic pop
    }
    static xmlEntityPtr GetEntity(void* context, const xmlChar* name) {
        ParseRun& parse = Of(context);
        xmlEntityPtr entity = parse.m_getEntity(context, name);
        auto* parser = static_cast<xmlParserCtxtPtr>(context);
        if (entity && !parse.Stopped() && InContent(parser)) {
            Run(context, [&](ParseRun& run) {
                run.m_references.push_back(parser);
                return run.m_builder.StartEntityReference(View(name));
            });
        }
        return entity;
    }
    // A reference to an entity that is not declared, where the DTD is
    // external: an entity reference without children.
    static void Reference(void* context, const xmlChar* name) {
        if (!InContent(static_cast<xmlParserCtxtPtr>(context))) return;
        Run(context, [&](ParseRun& parse) {
            return parse.m_builder.StartEntityReference(View(name)) &&
                   parse.m_builder.EndEntityReference();
        });
    }
    // Closes the references that ended before an event of parser: those it
    // made, and those inside them.
    bool Ended(xmlParserCtxtPtr parser) {
        for (std::size_t i = m_references.size(); i > 0; --i) {
            if (m_references[i - 1] == parser) return EndReferences(i - 1);
        }
        return true;
    }
    // Closes the references from the count'th on.
    bool EndReferences(std::size_t count) {
        while (m_references.size() > count) {
            m_references.pop_back();
            if (!m_builder.EndEntityReference()) return false;
        }
        return true;
    }

    static void StartDocument(void* context) {
        xmlSAX2StartDocument(context);
        // standalone is -1 exactly when the document has no XML declaration.
        if (static_cast<xmlParserCtxtPtr>(context)->standalone == -1) return;
        Run(context, [](ParseRun& parse) { return parse.m_builder.Declaration(); });
    }

    static void StartElement(void* context, const xmlChar* localname, const xmlChar* prefix,
                             const xmlChar* uri, int namespaceCount, const xmlChar** namespaces,
                             int attributeCount, int defaulted, const xmlChar** attributes) {
        Run(context, [&](ParseRun& parse) {
            return parse.Element(localname, prefix, uri, namespaceCount, namespaces, attributeCount,
                                 defaulted, attributes);
        });
    }
    bool Element(const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri,
                 int namespaceCount, const xmlChar** namespaces, int attributeCount, int defaulted,
                 const xmlChar** attributes) {
        // Qualified names go into one buffer, made big enough first so that
        // the views into it stay valid.
        std::size_t size = 0;
        const auto qualifiedSize = [](const xmlChar* p, const xmlChar* local) {
            return (p ? std::strlen(Chars(p)) + 1 : 0) + std::strlen(Chars(local));
        };
        size += qualifiedSize(prefix, localname);
        for (int i = 0; i < attributeCount; ++i)
            size += qualifiedSize(attributes[5 * i + 1], attributes[5 * i]);
        m_qualified.clear();
        m_qualified.reserve(size);
        const auto qualified = [&](const xmlChar* p, const xmlChar* local) {
            const std::size_t start = m_qualified.size();
            if (p) m_qualified.append(Chars(p)).append(":");
            m_qualified.append(Chars(local));
            return std::string_view(m_qualified).substr(start);
        };
        const std::string_view name = qualified(prefix, localname);
        m_namespaces.clear();
        for (int i = 0; i < namespaceCount; ++i)
            m_namespaces.push_back({View(namespaces[2 * i]), View(namespaces[2 * i + 1])});
        // Attributes come as five pointers each: local name, prefix, URI, and
        // the value's start and end.
        m_attributes.clear();
        for (int i = 0; i < attributeCount; ++i) {
            const xmlChar** attribute = attributes + 5 * i;
            m_attributes.push_back(
                {qualified(attribute[1], attribute[0]), View(attribute[2]),
                 std::string_view(Chars(attribute[3]),
                                  static_cast<std::size_t>(attribute[4] - attribute[3]))});
        }
        return m_builder.StartElement(name, View(uri), m_namespaces, m_attributes,
                                      static_cast<std::size_t>(defaulted));
    }

    static void EndElement(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
        Run(context, [](ParseRun& parse) { return parse.m_builder.EndElement(); });
    }
    static void Characters(void* context, const xmlChar* text, int length) {
        Run(context, [&](ParseRun& parse) {
            return parse.m_builder.Characters(
                std::string_view(Chars(text), static_cast<std::size_t>(length)));
        });
    }
    static void Cdata(void* context, const xmlChar* text, int length) {
        Run(context, [&](ParseRun& parse) {
            return parse.m_builder.Cdata(
                std::string_view(Chars(text), static_cast<std::size_t>(length)));
        });
    }
    // Comments and processing instructions inside the DOCTYPE are no part of
    // the tree; the DTD keeps them for the DOCTYPE's text.
    static void Comment(void* context, const xmlChar* text) {
        if (static_cast<xmlParserCtxtPtr>(context)->inSubset) return xmlSAX2Comment(context, text);
        Run(context, [&](ParseRun& parse) { return parse.m_builder.Comment(View(text)); });
    }
    static void ProcessingInstruction(void* context, const xmlChar* target, const xmlChar* data) {
        if (static_cast<xmlParserCtxtPtr>(context)->inSubset)
            return xmlSAX2ProcessingInstruction(context, target, data);
        Run(context, [&](ParseRun& parse) {
            return parse.m_builder.ProcessingInstruction(View(target), View(data), data != nullptr);
        });
    }

    static void CaptureError(void* context, XmlError error) {
        if (!context || !error || error->level < XML_ERR_ERROR) return;
        ParseRun& parse = Of(context);
        if (parse.m_error.failed) return;
        try {
            parse.m_error = ErrorOf(error);
        } catch (...) {
            parse.m_error.failed = true;
        }
    }

    // The XML declaration as the Windows engine writes it back: version, and
    // the encoding and standalone declaration where the document had them.
    std::string DeclarationText() const {
        const xmlDocPtr doc = m_context->myDoc;
        std::string text = "version=\"";
        text += doc && doc->version ? Chars(doc->version) : "1.0";
        text += '"';
        const std::string encoding = Encoding();
        if (!encoding.empty()) text += " encoding=\"" + encoding + '"';
        if (doc && doc->standalone >= 0)
            text += doc->standalone ? " standalone=\"yes\"" : " standalone=\"no\"";
        return text;
    }
    // The encoding the document names, or libxml2 found; empty for none.
    std::string Encoding() const {
        if (m_encodingGiven) return m_declaredEncoding;
        const xmlDocPtr doc = m_context->myDoc;
        return doc && doc->encoding ? Chars(doc->encoding) : std::string();
    }
    // The DOCTYPE as libxml2 writes its DTD; empty for none.
    std::string DoctypeText() const {
        const xmlDocPtr doc = m_context->myDoc;
        if (!doc || !doc->intSubset) return {};
        xmlBufferPtr buffer = xmlBufferCreate();
        if (!buffer) throw std::bad_alloc();
        xmlNodeDump(buffer, doc, reinterpret_cast<xmlNodePtr>(doc->intSubset), 0, 0);
        std::string text;
        try {
            text.assign(Chars(xmlBufferContent(buffer)),
                        static_cast<std::size_t>(xmlBufferLength(buffer)));
        } catch (...) {
            xmlBufferFree(buffer);
            throw;
        }
        xmlBufferFree(buffer);
        return text;
    }

    QuietLibxml2 m_quiet;
    std::unique_ptr<DocumentTree> m_tree;
    TreeBuilder m_builder;
    xmlParserCtxtPtr m_context = nullptr;
    ExternalRefusal m_external;
    ParseError m_error;
    bool m_stopped = false;
    StartTagGuard m_startTag;
    getEntitySAXFunc m_getEntity = nullptr;
    // The context each open entity reference was made from, the innermost last.
    std::vector<xmlParserCtxtPtr> m_references;
    std::string m_declaredEncoding;
    bool m_encodingGiven = false;
    // Reused from element to element.
    std::string m_qualified;
    std::vector<NamespaceEvent> m_namespaces;
    std::vector<AttributeEvent> m_attributes;
};

// The encoding named in the XML declaration at the start of text, if any.
std::string DeclaredEncoding(std::string_view text) {
    if (text.substr(0, 5) != "<?xml") return {};
    const std::size_t end = text.find("?>");
    const std::size_t name = text.find("encoding", 5);
    if (end == std::string_view::npos || name == std::string_view::npos || name > end) return {};
    std::size_t i = name + 8;
    while (i < end && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n' ||
                       text[i] == '='))
        ++i;
    if (i >= end || (text[i] != '"' && text[i] != '\'')) return {};
    const std::size_t close = text.find(text[i], i + 1);
    if (close == std::string_view::npos || close > end) return {};
    return std::string(text.substr(i + 1, close - i - 1));
}

}  // namespace

ParseOutcome Parse(ByteSource& source) {
    try {
        ParseRun parse;
        if (!parse.Ready()) return parse.Fail(kOutOfMemory);
        std::vector<char> buffer(kChunk);
        bool ended = false;
        while (!ended) {
            // Fill the buffer as far as the source allows: a source that hands
            // out a few bytes at a time must not starve the parser.
            std::size_t filled = 0;
            while (filled < buffer.size()) {
                const long got = source.Read(buffer.data() + filled, buffer.size() - filled);
                if (got < 0 || static_cast<std::size_t>(got) > buffer.size() - filled) {
                    return parse.Fail("The document could not be read.\n");
                }
                if (got == 0) {
                    ended = true;
                    break;
                }
                filled += static_cast<std::size_t>(got);
            }
            if (filled > 0 && !parse.Feed(buffer.data(), filled)) break;
        }
        return parse.Finish();
    } catch (const std::bad_alloc&) {
        ParseOutcome outcome;
        outcome.error.failed = true;
        outcome.error.reason = kOutOfMemory;
        return outcome;
    }
}

ParseOutcome ParseUtf8(std::string_view text) {
    try {
        ParseRun parse;
        if (!parse.Ready()) return parse.Fail(kOutOfMemory);
        parse.ReadAsUtf8(DeclaredEncoding(text));
        for (std::size_t at = 0; at < text.size(); at += kChunk) {
            if (!parse.Feed(text.data() + at, std::min(kChunk, text.size() - at))) break;
        }
        return parse.Finish();
    } catch (const std::bad_alloc&) {
        ParseOutcome outcome;
        outcome.error.failed = true;
        outcome.error.reason = kOutOfMemory;
        return outcome;
    }
}

ParseError NoInputError() {
    ParseError error;
    error.failed = true;
    error.reason = "The document received no input.\n";
    return error;
}

}  // namespace engine::tree
