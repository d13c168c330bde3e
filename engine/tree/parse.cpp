#include "parse.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "doctype_text.h"
#include "libxml2_errors.h"
#include "no_external.h"
#include "limits.h"
#include "name_cache.h"
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
        m_context = xmlNewParserCtxt();
        if (!m_context) return;
        m_context->_private = this;
        xmlSAXHandler* sax = m_context->sax;
        sax->startDocument = StartDocument;
        sax->startElementNs = StartElement;
        sax->endElementNs = EndElement;
        sax->characters = Characters;
        sax->ignorableWhitespace = Characters;
        sax->cdataBlock = Cdata;
        sax->comment = Comment;
        sax->processingInstruction = ProcessingInstruction;
        // A reference to an entity that is not declared, where the DTD is
        // external, leaves nothing in the tree (nor does Wine's engine).
        sax->reference = nullptr;
        sax->serror = CaptureError;
        m_external.Install(m_context);
        // Entity references are seen as libxml2 looks their entities up.
        m_getEntity = m_context->sax->getEntity ? m_context->sax->getEntity : xmlSAX2GetEntity;
        m_context->sax->getEntity = GetEntity;
    }
    ~ParseRun() {
        // The input may be a sealed document's text: no copy of it outlives
        // the parse.
        if (!m_staged.empty()) explicit_bzero(m_staged.data(), m_staged.size());
        if (m_doc) xmlFreeDoc(m_doc);
        if (m_context) xmlFreeParserCtxt(m_context);
    }
    ParseRun(const ParseRun&) = delete;
    ParseRun& operator=(const ParseRun&) = delete;

    bool Ready() const { return m_context != nullptr; }

    // Reads the whole document from source: the encoding it declares or
    // libxml2 detects, or UTF-8 whatever it declares when declared is given
    // (the encoding it names, for the XML declaration).
    void ReadAll(ByteSource& source, const std::string* declared) {
        m_source = &source;
        int options = kOptions;
        const char* encoding = nullptr;
        if (declared) {
            options |= XML_PARSE_IGNORE_ENC;
            encoding = "UTF-8";
            m_declaredEncoding = *declared;
            m_encodingGiven = true;
        }
        // libxml2 hands back the document it keeps the DTD in (our handlers
        // build no tree of its own), and only when the parse succeeded.
        m_doc = xmlCtxtReadIO(m_context, ReadSource, nullptr, this, nullptr, encoding, options);
    }
    ParseOutcome Finish() {
        if (m_doc && !m_stopped) {
            Run(m_context, [](ParseRun& parse) { return parse.EndReferences(0); });
        }
        const bool namespacesWellFormed =
            m_context->nsWellFormed || (m_uriWarned && !m_namespaceError);
        const bool ok = m_doc && !m_stopped && m_context->wellFormed && namespacesWellFormed &&
                        m_builder.Finish() && m_builder.DeclarationText(DeclarationText());
        if (!ok) {
            return Fail(m_builder.Failure() ? m_builder.Failure()
                                            : "The document could not be parsed.\n");
        }
        m_builder.Doctype(DoctypeText(m_doc));
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
    // Fills libxml2's buffer as far as the source allows: the parser looks at
    // what one read gave it, so a source that hands out a few bytes at a time
    // must not starve it (the XML declaration alone needs a handful).
    static int ReadSource(void* context, char* buffer, int length) {
        auto& parse = *static_cast<ParseRun*>(context);
        if (length <= 0 || parse.m_ended) return 0;
        if (PastAttributeLimit(parse.m_context)) return parse.Unread(kTooManyAttributes);
        if (const xmlParserInput* input = parse.m_context->input) {
            if (input->cur - input->base > static_cast<std::ptrdiff_t>(kMaxLookahead) ||
                input->end - input->cur > static_cast<std::ptrdiff_t>(kMaxLookahead)) {
                return parse.Unread(kTooMuchAtOnce);
            }
        }
        if (parse.m_stagedAt == parse.m_stagedEnd && !parse.Stage()) {
            return parse.Unread("The document could not be read.\n");
        }
        const std::size_t given =
            std::min(static_cast<std::size_t>(length), parse.m_stagedEnd - parse.m_stagedAt);
        std::memcpy(buffer, parse.m_staged.data() + parse.m_stagedAt, given);
        parse.m_stagedAt += given;
        if (given == 0) parse.m_ended = true;
        parse.m_builder.Read(given);
        return static_cast<int>(given);
    }
    // libxml2 asks for a few thousand bytes at a time: the source is read in
    // larger pieces, so that a file takes a system call per piece, not per
    // few thousand bytes. False for a read that failed.
    bool Stage() {
        if (m_staged.empty()) m_staged.resize(kChunk);
        m_stagedAt = 0;
        m_stagedEnd = 0;
        while (!m_sourceEnded && m_stagedEnd < m_staged.size()) {
            const std::size_t wanted = m_staged.size() - m_stagedEnd;
            const long got = m_source->Read(m_staged.data() + m_stagedEnd, wanted);
            if (got < 0 || static_cast<std::size_t>(got) > wanted) return false;
            if (got == 0) m_sourceEnded = true;
            m_stagedEnd += static_cast<std::size_t>(got);
        }
        return true;
    }
    // Ends the parse from the input callback, for reason: the read fails,
    // and libxml2 leaves what it was reading at its next check of its state
    // (xmlStopParser would free the input that is being read).
    int Unread(const char* reason) {
        if (!m_error.failed) {
            m_error.failed = true;
            m_error.reason = reason;
            m_error.line = m_context->input ? m_context->input->line : 0;
            m_error.column = m_context->input ? m_context->input->col : 0;
        }
        m_ended = true;
        m_stopped = true;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        m_context->instate = XML_PARSER_EOF;
#pragma GCC diagnostic pop
        m_context->disableSAX = 1;
        return -1;
    }

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
        if (entity && !parse.m_stopped && InContent(parser)) {
            Run(context, [&](ParseRun& run) {
                run.m_references.push_back(parser);
                return run.m_builder.StartEntityReference(View(name));
            });
        }
        return entity;
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
        const ExpandedNameId name = NameOf(localname, prefix, uri);
        m_namespaces.clear();
        for (int i = 0; i < namespaceCount; ++i)
            m_namespaces.push_back({View(namespaces[2 * i]), View(namespaces[2 * i + 1])});
        // Attributes come as five pointers each: local name, prefix, URI, and
        // the value's start and end.
        m_attributes.clear();
        for (int i = 0; i < attributeCount; ++i) {
            const xmlChar** attribute = attributes + 5 * i;
            m_attributes.push_back(
                {NameOf(attribute[0], attribute[1], attribute[2]),
                 std::string_view(Chars(attribute[3]),
                                  static_cast<std::size_t>(attribute[4] - attribute[3])),
                 DeclaredId(localname, prefix, attribute[0], attribute[1])});
        }
        return m_builder.StartElement(name, m_namespaces, m_attributes,
                                      static_cast<std::size_t>(defaulted));
    }
    // Whether the internal subset declares the attribute of type ID, which
    // XPath's id() looks for.
    bool DeclaredId(const xmlChar* elementLocal, const xmlChar* elementPrefix, const xmlChar* local,
                    const xmlChar* prefix) {
        const xmlDtdPtr dtd = m_context->myDoc ? m_context->myDoc->intSubset : nullptr;
        if (!dtd || !dtd->attributes) return false;
        const xmlChar* element = elementLocal;
        if (elementPrefix) {
            m_elementName.assign(Chars(elementPrefix)).append(":").append(Chars(elementLocal));
            element = reinterpret_cast<const xmlChar*>(m_elementName.c_str());
        }
        const xmlAttributePtr declaration = xmlGetDtdQAttrDesc(dtd, element, local, prefix);
        return declaration && declaration->atype == XML_ATTRIBUTE_ID;
    }
    // The tree's name of an element or attribute, from libxml2's dictionary
    // strings.
    ExpandedNameId NameOf(const xmlChar* local, const xmlChar* prefix, const xmlChar* uri) {
        bool found = false;
        const ExpandedNameId cached = m_names.Find(local, prefix, uri, found);
        if (found) return cached;
        m_qualified.clear();
        if (prefix) m_qualified.append(Chars(prefix)).append(":");
        m_qualified.append(Chars(local));
        const ExpandedNameId name = m_builder.Name(m_qualified, View(uri));
        m_names.Add(local, prefix, uri, name);
        return name;
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
        if (error->domain == XML_FROM_NAMESPACE) {
            // A namespace name that is no valid URI ("a b"): libxml2 reports
            // it as an error with a warning's code, and XML Namespaces does
            // not make it one; the document loads. Other namespace errors
            // still refuse it.
            if (error->code == XML_WAR_NS_URI) {
                parse.m_uriWarned = true;
                return;
            }
            parse.m_namespaceError = true;
        }
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
        const xmlDocPtr doc = m_doc;
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
        const xmlDocPtr doc = m_doc;
        return doc && doc->encoding ? Chars(doc->encoding) : std::string();
    }
    QuietLibxml2 m_quiet;
    std::unique_ptr<DocumentTree> m_tree;
    TreeBuilder m_builder;
    xmlParserCtxtPtr m_context = nullptr;
    xmlDocPtr m_doc = nullptr;
    ExternalRefusal m_external;
    ByteSource* m_source = nullptr;
    bool m_sourceEnded = false;
    std::vector<char> m_staged;  // read from the source, not yet given to libxml2
    std::size_t m_stagedAt = 0;
    std::size_t m_stagedEnd = 0;
    bool m_ended = false;
    ParseError m_error;
    bool m_stopped = false;
    bool m_uriWarned = false;       // a namespace name that is no URI
    bool m_namespaceError = false;  // any other namespace error
    getEntitySAXFunc m_getEntity = nullptr;
    // The context each open entity reference was made from, the innermost last.
    std::vector<xmlParserCtxtPtr> m_references;
    std::string m_declaredEncoding;
    bool m_encodingGiven = false;
    NameCache m_names;
    // Reused from element to element.
    std::string m_qualified;
    std::vector<NamespaceEvent> m_namespaces;
    std::vector<AttributeEvent> m_attributes;
    std::string m_elementName;  // qualified, for the DTD's declarations
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

namespace {

// Text in memory, handed out in pieces: libxml2 would copy text from memory
// whole, and free the copy without wiping it.
class TextSource final : public ByteSource {
  public:
    explicit TextSource(std::string_view text) : m_text(text) {}
    long Read(char* buffer, std::size_t size) override {
        const std::size_t n = std::min({size, m_text.size(), kChunk});
        std::memcpy(buffer, m_text.data(), n);
        m_text.remove_prefix(n);
        return static_cast<long>(n);
    }

  private:
    std::string_view m_text;
};

ParseOutcome OutOfMemory() {
    ParseOutcome outcome;
    outcome.error.failed = true;
    outcome.error.reason = kOutOfMemory;
    return outcome;
}

ParseOutcome ParseFrom(ByteSource& source, const std::string* declared) {
    try {
        ParseRun parse;
        if (!parse.Ready()) return parse.Fail(kOutOfMemory);
        parse.ReadAll(source, declared);
        return parse.Finish();
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    }
}

}  // namespace

ParseOutcome Parse(ByteSource& source) {
    return ParseFrom(source, nullptr);
}

ParseOutcome ParseUtf8(std::string_view text) {
    std::string declared;
    try {
        declared = DeclaredEncoding(text);
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    }
    TextSource source(text);
    return ParseFrom(source, &declared);
}

ParseError NoInputError() {
    ParseError error;
    error.failed = true;
    error.reason = "The document received no input.\n";
    return error;
}

}  // namespace engine::tree
