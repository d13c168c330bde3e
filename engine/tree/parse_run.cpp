#include "parse_run.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "attribute_defaults.h"
#include "entity_references.h"
#include "error_capture.h"
#include "input_staging.h"
#include "libxml2_errors.h"
#include "libxml2_strings.h"
#include "limits.h"
#include "name_cache.h"
#include "no_external.h"
#include "prolog_text.h"
#include "start_tag_guard.h"
#include "tree_builder.h"

namespace engine::tree {
namespace {

// Entities are replaced by their text (within libxml2's limits on expansion)
// and default attribute values come from the internal subset (which is read
// with its references kept: attribute_defaults.h). Messages go to the
// context's structured handler alone (which newer libxml2 skips under
// XML_PARSE_NOERROR, so that option is not set).
constexpr int kOptions =
    XML_PARSE_NOENT | XML_PARSE_DTDATTR | XML_PARSE_NONET | XML_PARSE_BIG_LINES;

constexpr char kOutOfMemory[] = "There was not enough memory to load the document.\n";

class ParseRun {
  public:
    ParseRun()
        : m_tree(new DocumentTree()),
          m_builder(*m_tree),
          m_references(m_builder),
          m_defaults(m_builder) {
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
        sax->internalSubset = InternalSubset;
        sax->attributeDecl = AttributeDecl;
        m_external.Install(m_context);
        m_externalSubset = sax->externalSubset;
        sax->externalSubset = ExternalSubset;
        // Entity references are seen as libxml2 looks their entities up.
        m_getEntity = m_context->sax->getEntity ? m_context->sax->getEntity : xmlSAX2GetEntity;
        m_context->sax->getEntity = GetEntity;
    }
    ~ParseRun() {
        if (m_doc) xmlFreeDoc(m_doc);
        if (m_context) xmlFreeParserCtxt(m_context);
    }
    ParseRun(const ParseRun&) = delete;
    ParseRun& operator=(const ParseRun&) = delete;

    bool Ready() const { return m_context != nullptr; }

    // See RunParse.
    void ReadAll(ByteSource& source, const std::string* declared) {
        m_input.Start(source);
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
            Run(m_context, [](ParseRun& parse) { return parse.m_references.EndAll(); });
        }
        const bool ok = m_doc && !m_stopped && m_context->wellFormed &&
                        m_error.NamespacesWellFormed(m_context) && m_builder.Finish() &&
                        m_builder.DeclarationText(DeclarationText(m_doc, Encoding()));
        if (!ok) {
            return Fail(m_builder.Failure() ? m_builder.Failure()
                                            : "The document could not be parsed.\n");
        }
        m_builder.Doctype(DoctypeText(m_doc));
        m_builder.EncodingNamed(!Encoding().empty());
        ParseOutcome outcome;
        outcome.tree = std::move(m_tree);
        outcome.cost = Cost();
        return outcome;
    }
    // The outcome of a parse that failed: the first error, or else reason.
    ParseOutcome Fail(const char* reason) {
        m_error.Record(reason, nullptr);
        ParseOutcome outcome;
        outcome.error = m_error.Take();
        outcome.cost = Cost();
        return outcome;
    }

  private:
    ParseCost Cost() const {
        ParseCost cost = m_cost;
        cost.attributeSteps += m_defaults.DeclarationSteps();
        return cost;
    }
    static ParseRun& Of(void* context) {
        return *static_cast<ParseRun*>(static_cast<xmlParserCtxtPtr>(context)->_private);
    }

    // libxml2's input callback: the staged input, unless the start tag being
    // read has more attributes than any may, or libxml2 holds more of the
    // input at once than it may.
    static int ReadSource(void* context, char* buffer, int length) {
        auto& parse = *static_cast<ParseRun*>(context);
        if (length <= 0 || parse.m_input.Ended()) return 0;
        if (PastAttributeLimit(parse.m_context)) return parse.Unread(kTooManyAttributes);
        if (const xmlParserInput* input = parse.m_context->input) {
            if (input->cur - input->base > static_cast<std::ptrdiff_t>(kMaxLookahead) ||
                input->end - input->cur > static_cast<std::ptrdiff_t>(kMaxLookahead)) {
                return parse.Unread(kTooMuchAtOnce);
            }
        }
        long given = -1;
        try {
            given = parse.m_input.Give(buffer, static_cast<std::size_t>(length));
        } catch (const std::bad_alloc&) {
            return parse.Unread(kOutOfMemory);  // no exception may cross libxml2
        }
        if (given < 0) return parse.Unread("The document could not be read.\n");
        parse.m_builder.Read(static_cast<std::size_t>(given));
        return static_cast<int>(given);
    }
    // Ends the parse from the input callback, for reason: the read fails,
    // and libxml2 leaves what it was reading at its next check of its state
    // (xmlStopParser would free the input that is being read).
    int Unread(const char* reason) {
        m_error.Record(reason, m_context);
        m_input.End();
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
            if (!parse.m_references.Ended(parser) || !event(parse)) {
                reason = parse.m_builder.Failure();
            }
        } catch (...) {
            reason = kOutOfMemory;
        }
        if (reason) parse.Stop(parser, reason);
    }
    void Stop(xmlParserCtxtPtr parser, std::string_view reason) {
        m_error.Record(reason, parser);
        m_stopped = true;
        xmlStopParser(parser);
        if (parser != m_context) xmlStopParser(m_context);
    }
    // Refuses the document for a reason libxml2 would give, which names what
    // it found.
    bool Refuse(std::string_view reason) {
        m_error.Record(reason, m_context);
        return m_builder.Refuse("The document could not be parsed.\n");
    }

    // Every entity libxml2 looks up. Its text in an attribute value of a
    // start tag counts against the budget before libxml2 copies it (the
    // entities it refers to come here in turn); a reference in content is
    // followed (entity_references.h).
    static xmlEntityPtr GetEntity(void* context, const xmlChar* name) {
        ParseRun& parse = Of(context);
        xmlEntityPtr entity = parse.m_getEntity(context, name);
        auto* parser = static_cast<xmlParserCtxtPtr>(context);
        if (!entity) return entity;
        if (parse.m_stopped || parse.m_builder.Failure()) return parse.m_references.StandIn(name);
        if (EntityReferences::InStartTagValue(parser)) {
            if (entity->etype == XML_INTERNAL_GENERAL_ENTITY &&
                !parse.m_builder.SpendInAttributeValue(
                    static_cast<std::uint64_t>(entity->length))) {
                return parse.m_references.StandIn(name);
            }
        } else if (EntityReferences::InContent(parser)) {
            Run(context,
                [&](ParseRun& run) { return run.m_references.Start(parser, entity, name); });
            if (parse.m_stopped) return parse.m_references.StandIn(name);
        }
        return entity;
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
        ElementDeclarations* declared = m_defaults.Find(localname, prefix);
        m_namespaces.clear();
        m_defaults.StartElement(declared, namespaces, namespaceCount, m_namespaces);
        const ExpandedNameId name =
            NameOf(localname, prefix, m_defaults.Resolve(m_context, prefix, uri, false));
        const auto pairs = [](std::uint64_t n) { return n * (n > 0 ? n - 1 : 0) / 2; };
        m_cost.attributeSteps += pairs(static_cast<std::uint64_t>(attributeCount)) +
                                 pairs(static_cast<std::uint64_t>(namespaceCount));
        // Attributes come as five pointers each: local name, prefix, URI, and
        // the value's start and end. Where names are resolved here, libxml2
        // did not check them all: each expanded name once, defaults included.
        m_attributes.clear();
        m_expanded.clear();
        for (int i = 0; i < attributeCount; ++i) {
            const xmlChar** attribute = attributes + 5 * i;
            const bool id = declared && declared->Present({attribute[0], attribute[1]});
            const xmlChar* attributeUri =
                m_defaults.Resolve(m_context, attribute[1], attribute[2], true);
            if (attributeUri && m_defaults.Resolves())
                m_expanded.push_back({attribute[0], attributeUri});
            m_attributes.push_back(
                {NameOf(attribute[0], attribute[1], attributeUri),
                 std::string_view(Chars(attribute[3]),
                                  static_cast<std::size_t>(attribute[4] - attribute[3])),
                 id});
        }
        AttributeDefaults::ExpandedName twice;
        auto repeated = [&] {
            return AttributeDefaults::Repeated(m_expanded, twice) &&
                   !Refuse(std::string("Namespaced Attribute ") + Chars(twice.first) + " in '" +
                           Chars(twice.second) + "' redefined\n");
        };
        if (!declared) {
            return !repeated() && m_builder.StartElement(name, m_namespaces, m_attributes,
                                                         static_cast<std::size_t>(defaulted));
        }
        const std::size_t given = m_attributes.size();
        const xmlChar* unboundPrefix = nullptr;
        const xmlChar* unbound = m_defaults.AddMissing(
            *declared, m_context,
            [&](const xmlChar* local, const xmlChar* attributePrefix, const xmlChar* attributeUri) {
                if (attributeUri) m_expanded.push_back({local, attributeUri});
                return NameOf(local, attributePrefix, attributeUri);
            },
            m_attributes, unboundPrefix);
        m_cost.attributeSteps += m_attributes.size();
        if (unbound) {
            return Refuse(std::string("Namespace prefix ") + Chars(unboundPrefix) + " for " +
                          Chars(unbound) + " on " + Chars(localname) + " is not defined\n");
        }
        if (repeated()) return false;
        return m_builder.StartElement(
            name, m_namespaces, m_attributes,
            static_cast<std::size_t>(defaulted) + m_attributes.size() - given,
            declared->NamespaceDefaults());
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
        Run(context, [](ParseRun& parse) {
            parse.m_defaults.EndElement();
            return parse.m_builder.EndElement();
        });
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

    // The DTD: its internal subset is read with the references in attribute
    // defaults kept, and the declarations of attributes give the defaults
    // (attribute_defaults.h).
    static void InternalSubset(void* context, const xmlChar* name, const xmlChar* publicId,
                               const xmlChar* systemId) {
        xmlSAX2InternalSubset(context, name, publicId, systemId);
        AttributeDefaults::KeepReferences(static_cast<xmlParserCtxtPtr>(context), true);
    }
    static void ExternalSubset(void* context, const xmlChar* name, const xmlChar* publicId,
                               const xmlChar* systemId) {
        Of(context).m_externalSubset(context, name, publicId, systemId);
        AttributeDefaults::KeepReferences(static_cast<xmlParserCtxtPtr>(context), false);
    }
    static void AttributeDecl(void* context, const xmlChar* element, const xmlChar* name, int type,
                              int kind, const xmlChar* value, xmlEnumerationPtr values) {
        ParseRun& parse = Of(context);
        bool toDtd = true;
        Run(context, [&](ParseRun& run) {
            return run.m_defaults.Declare(run.m_context, element, name, type, kind, value, toDtd);
        });
        if (toDtd && !parse.m_stopped) {
            xmlSAX2AttributeDecl(context, element, name, type, kind, value, values);
        } else {
            xmlFreeEnumeration(values);
        }
    }

    static void CaptureError(void* context, XmlError error) {
        if (context) Of(context).m_error.Capture(error);
    }

    // The encoding the document names, or libxml2 found; empty for none.
    std::string Encoding() const {
        if (m_encodingGiven) return m_declaredEncoding;
        return m_doc && m_doc->encoding ? Chars(m_doc->encoding) : std::string();
    }

    QuietLibxml2 m_quiet;
    std::unique_ptr<DocumentTree> m_tree;
    TreeBuilder m_builder;
    xmlParserCtxtPtr m_context = nullptr;
    xmlDocPtr m_doc = nullptr;
    ExternalRefusal m_external;
    InputStaging m_input;
    ErrorCapture m_error;
    ParseCost m_cost;
    bool m_stopped = false;
    getEntitySAXFunc m_getEntity = nullptr;
    externalSubsetSAXFunc m_externalSubset = nullptr;
    EntityReferences m_references;
    AttributeDefaults m_defaults;
    std::string m_declaredEncoding;
    bool m_encodingGiven = false;
    NameCache m_names;
    // Reused from element to element.
    std::string m_qualified;
    std::vector<NamespaceEvent> m_namespaces;
    std::vector<AttributeEvent> m_attributes;
    std::vector<AttributeDefaults::ExpandedName> m_expanded;
};

}  // namespace

ParseOutcome RunParse(ByteSource& source, const std::string* declared) {
    try {
        ParseRun parse;
        if (!parse.Ready()) return parse.Fail(kOutOfMemory);
        parse.ReadAll(source, declared);
        return parse.Finish();
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    }
}

ParseOutcome OutOfMemory() {
    ParseOutcome outcome;
    outcome.error.failed = true;
    outcome.error.reason = kOutOfMemory;
    return outcome;
}

}  // namespace engine::tree
