#include "parse.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <optional>
#include <unordered_map>
#include <vector>

#include "attribute_declarations.h"
#include "default_values.h"
#include "doctype_text.h"
#include "entity_stand_ins.h"
#include "libxml2_errors.h"
#include "limits.h"
#include "name_cache.h"
#include "no_external.h"
#include "parse_errors.h"
#include "prefix_scope.h"
#include "start_tag_guard.h"
#include "tree_builder.h"

namespace engine::tree {
namespace {

// Entities are replaced by their text (within libxml2's limits on expansion)
// and default attribute values come from the internal subset (which is read
// with its references kept: ParseRun::InternalSubset). Messages go to the
// context's structured handler alone (which newer libxml2 skips under
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

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
// Whether references to entities in attribute values are replaced by the
// entities' text, or kept as they are written.
void ReplaceEntities(xmlParserCtxtPtr parser, bool replace) {
    parser->replaceEntities = replace ? 1 : 0;
}
#pragma GCC diagnostic pop

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
        outcome.cost = m_cost;
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
        outcome.cost = m_cost;
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
    void Stop(xmlParserCtxtPtr parser, std::string_view reason) {
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
    // Whether libxml2 reads an attribute value of a start tag, where it
    // copies the text of the entities referred to (up to 2.11; later ones
    // keep no such state, and bound that text themselves).
    static bool InStartTagValue(const xmlParserCtxt* parser) {
#if LIBXML_VERSION < 21200
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        return parser->inSubset == 0 && parser->instate == XML_PARSER_ATTRIBUTE_VALUE;
#pragma GCC diagnostic pop
#else
        (void)parser;
        return false;
#endif
    }
    // Every entity libxml2 looks up. Its text in an attribute value of a
    // start tag counts against the budget before libxml2 copies it (the
    // entities it refers to come here in turn); a reference in content
    // starts an entity-reference node, unless a start tag of the entity's
    // text has more attributes than any may; libxml2 copies the namespaces
    // in scope to read it, which count against the budget too. An entity the document may not
    // have, or any once the document is refused, has an empty stand-in, so
    // that libxml2 reads nothing more of it.
    static xmlEntityPtr GetEntity(void* context, const xmlChar* name) {
        ParseRun& parse = Of(context);
        xmlEntityPtr entity = parse.m_getEntity(context, name);
        auto* parser = static_cast<xmlParserCtxtPtr>(context);
        if (!entity) return entity;
        if (parse.m_stopped || parse.m_builder.Failure()) return parse.StandIn(name);
        if (InStartTagValue(parser)) {
            if (entity->etype == XML_INTERNAL_GENERAL_ENTITY &&
                !parse.m_builder.SpendInAttributeValue(
                    static_cast<std::uint64_t>(entity->length))) {
                return parse.StandIn(name);
            }
        } else if (InContent(parser)) {
            Run(context, [&](ParseRun& run) {
                if (run.TagsPastLimit(entity)) return run.m_builder.Refuse(kTooManyAttributes);
                if (!run.m_builder.SpendBeside(static_cast<std::uint64_t>(parser->nsNr / 2)))
                    return false;
                run.m_references.push_back(parser);
                return run.m_builder.StartEntityReference(View(name));
            });
            if (parse.m_stopped) return parse.StandIn(name);
        }
        return entity;
    }
    xmlEntityPtr StandIn(const xmlChar* name) {
        return m_standIns.Get(name, XML_INTERNAL_GENERAL_ENTITY);
    }
    // Whether a start tag of the entity's text has more attributes than an
    // element may; each entity is looked at once.
    bool TagsPastLimit(const xmlEntity* entity) {
        if (entity->etype != XML_INTERNAL_GENERAL_ENTITY || !entity->content) return false;
        const auto [checked, added] = m_tagsPastLimit.emplace(entity, false);
        if (added) {
            checked->second = MostAttributesInATag(View(entity->content)) > kMaxAttributes;
        }
        return checked->second;
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
        if (m_scope) {
            m_scope->Start(reinterpret_cast<const void* const*>(namespaces),
                           static_cast<std::size_t>(namespaceCount));
        }
        const auto pairs = [](std::uint64_t n) { return n * (n > 0 ? n - 1 : 0) / 2; };
        m_cost.attributeSteps += pairs(static_cast<std::uint64_t>(attributeCount)) +
                                 pairs(static_cast<std::uint64_t>(namespaceCount));
        ElementDeclarations* declared = m_declarations.Find({localname, prefix});
        // Attributes come as five pointers each: local name, prefix, URI, and
        // the value's start and end.
        m_attributes.clear();
        for (int i = 0; i < attributeCount; ++i) {
            const xmlChar** attribute = attributes + 5 * i;
            const bool id = declared && declared->Present({attribute[0], attribute[1]});
            m_attributes.push_back(
                {NameOf(attribute[0], attribute[1], attribute[2]),
                 std::string_view(Chars(attribute[3]),
                                  static_cast<std::size_t>(attribute[4] - attribute[3])),
                 id});
        }
        if (!declared) {
            return m_builder.StartElement(name, m_namespaces, m_attributes,
                                          static_cast<std::size_t>(defaulted));
        }
        const std::size_t given = m_attributes.size();
        const xmlChar* unbound = nullptr;  // the first default whose prefix is bound to none
        const xmlChar* unboundPrefix = nullptr;
        declared->EachMissing([&](ElementDeclarations::Default& missing) {
            const auto* local = static_cast<const xmlChar*>(missing.name.local);
            const auto* attributePrefix = static_cast<const xmlChar*>(missing.name.prefix);
            const xmlChar* attributeUri = nullptr;
            if (attributePrefix == m_context->str_xml) {
                attributeUri = m_context->str_xml_ns;
            } else if (attributePrefix) {
                attributeUri = static_cast<const xmlChar*>(m_scope->Find(attributePrefix));
                if (!attributeUri && !unbound) {
                    unbound = local;
                    unboundPrefix = attributePrefix;
                }
            }
            m_attributes.push_back({NameOf(local, attributePrefix, attributeUri), missing.value,
                                    missing.id, &missing.text});
        });
        m_cost.attributeSteps += m_attributes.size();
        if (unbound) {
            return Refuse(std::string("Namespace prefix ") + Chars(unboundPrefix) + " for " +
                          Chars(unbound) + " on " + Chars(localname) + " is not defined\n");
        }
        return m_builder.StartElement(
            name, m_namespaces, m_attributes,
            static_cast<std::size_t>(defaulted) + m_attributes.size() - given,
            declared->NamespaceDefaults());
    }
    // Refuses the document for a reason libxml2 would give, which names what
    // it found.
    bool Refuse(std::string reason) {
        if (!m_error.failed) {
            m_error.failed = true;
            m_error.reason = std::move(reason);
            m_error.line = m_context->input ? m_context->input->line : 0;
            m_error.column = m_context->input ? m_context->input->col : 0;
        }
        return m_builder.Refuse("The document could not be parsed.\n");
    }

    // The internal subset is read with the references to entities in
    // attribute defaults kept, as the document wrote them: libxml2 keeps the
    // defaults so in its DTD, which the DOCTYPE's text is written from; the
    // values elements get are made from them here (DeclareAttribute), as the
    // budget allows. References in start tags are replaced again once the
    // DTD is read.
    static void InternalSubset(void* context, const xmlChar* name, const xmlChar* publicId,
                               const xmlChar* systemId) {
        xmlSAX2InternalSubset(context, name, publicId, systemId);
        ReplaceEntities(static_cast<xmlParserCtxtPtr>(context), false);
    }
    static void ExternalSubset(void* context, const xmlChar* name, const xmlChar* publicId,
                               const xmlChar* systemId) {
        Of(context).m_externalSubset(context, name, publicId, systemId);
        ReplaceEntities(static_cast<xmlParserCtxtPtr>(context), true);
    }

    static void AttributeDecl(void* context, const xmlChar* element, const xmlChar* name, int type,
                              int kind, const xmlChar* value, xmlEnumerationPtr values) {
        ParseRun& parse = Of(context);
        bool toDtd = true;
        Run(context, [&](ParseRun& run) {
            return run.DeclareAttribute(element, name, type, kind, value, toDtd);
        });
        if (toDtd && !parse.m_stopped) {
            xmlSAX2AttributeDecl(context, element, name, type, kind, value, values);
        } else {
            xmlFreeEnumeration(values);
        }
    }
    // Records the declaration of an attribute, for the elements of its type,
    // and what each element's attributes will take. A default is made here
    // from the value libxml2 kept (default_values.h), counted against the
    // budget first, and libxml2 is kept from adding it itself: it adds none
    // for an attribute it knows a type of already, the first declaration
    // holding. Namespace declarations it adds itself, to resolve the names of
    // the element; an element type may have few of them. toDtd false: the
    // declaration goes no further.
    bool DeclareAttribute(const xmlChar* element, const xmlChar* name, int type, int kind,
                          const xmlChar* value, bool& toDtd) {
        ElementDeclarations& declared = m_declarations.Declare(Split(element));
        const DictionaryName attribute = Split(name);
        if (!declared.Declare(attribute, type == XML_ATTRIBUTE_ID)) return true;
        if (declared.IdAttributes() > kMaxIdAttributes) {
            toDtd = false;
            return m_builder.Refuse(kTooManyIdAttributes);
        }
        if (!value || kind == XML_ATTRIBUTE_IMPLIED || kind == XML_ATTRIBUTE_REQUIRED) return true;
        if (attribute.prefix == m_context->str_xmlns ||
            (attribute.local == m_context->str_xmlns && !attribute.prefix)) {
            declared.AddNamespaceDefault();
            if (declared.NamespaceDefaults() > kMaxNamespaceDefaults)
                return m_builder.Refuse(kTooManyNamespaceDefaults);
        } else {
            if (declared.Defaults() + declared.NamespaceDefaults() >= kMaxAttributes)
                return m_builder.Refuse(kTooManyAttributes);
            if (!m_values) m_values.emplace(m_context->myDoc);
            std::uint64_t cost = 0;
            if (!m_values->Cost(View(value), cost)) return m_builder.Refuse(kTooMuchAmplification);
            if (!m_builder.SpendBeside(cost)) return false;
            std::string made;
            m_values->Value(View(value), type != XML_ATTRIBUTE_CDATA, made);
            declared.AddDefault(attribute, std::move(made));
            if (attribute.prefix && attribute.prefix != m_context->str_xml && !m_scope)
                m_scope.emplace();
            if (!m_context->attsSpecial)
                m_context->attsSpecial = xmlHashCreateDict(10, m_context->dict);
            // The type as libxml2 keeps it there, as a pointer.
            void* const special = reinterpret_cast<void*>(  // NOLINT(performance-no-int-to-ptr)
                static_cast<std::ptrdiff_t>(type));
            if (!m_context->attsSpecial ||
                xmlHashAddEntry2(m_context->attsSpecial, element, name, special) < 0) {
                throw std::bad_alloc();
            }
        }
        if (declared.Defaults() + declared.NamespaceDefaults() > kMaxAttributes)
            return m_builder.Refuse(kTooManyAttributes);
        return true;
    }
    // A name of the DTD as libxml2's parse events give names: split at its
    // first colon, each part a string of its dictionary.
    DictionaryName Split(const xmlChar* name) {
        int length = 0;
        const xmlChar* local = xmlSplitQName3(name, &length);
        const xmlChar* prefix = nullptr;
        if (local) {
            prefix = xmlDictLookup(m_context->dict, name, length);
            local = xmlDictLookup(m_context->dict, local, -1);
        } else {
            local = xmlDictLookup(m_context->dict, name, -1);
        }
        if (!local || (length && !prefix)) throw std::bad_alloc();
        return {local, prefix};
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
            if (parse.m_scope) parse.m_scope->End();
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

    // The first error is the reason a document that fails is refused for.
    // Validity errors (two attributes of type ID on one element type, a
    // default its type does not allow) refuse no document: this engine does
    // not validate.
    static void CaptureError(void* context, XmlError error) {
        if (!context || !error || error->level < XML_ERR_ERROR || error->domain == XML_FROM_VALID)
            return;
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
    ParseCost m_cost;
    bool m_stopped = false;
    bool m_uriWarned = false;       // a namespace name that is no URI
    bool m_namespaceError = false;  // any other namespace error
    getEntitySAXFunc m_getEntity = nullptr;
    externalSubsetSAXFunc m_externalSubset = nullptr;
    EntityStandIns m_standIns;
    std::unordered_map<const xmlEntity*, bool> m_tagsPastLimit;  // for each entity looked at
    AttributeDeclarations m_declarations;
    std::optional<DefaultValues> m_values;  // once a default is declared
    std::optional<PrefixScope> m_scope;     // once a default has a prefix other than xml
    // The context each open entity reference was made from, the innermost last.
    std::vector<xmlParserCtxtPtr> m_references;
    std::string m_declaredEncoding;
    bool m_encodingGiven = false;
    NameCache m_names;
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
