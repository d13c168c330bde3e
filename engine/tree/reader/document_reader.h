// The reader of our own: it reads the common document (UTF-8, no DOCTYPE)
// through the window, checking all that XML 1.0 (fifth edition) and
// Namespaces in XML 1.0 ask of it, and gives the tree builder the events
// libxml2's path gives it for the same document. It reads no further than
// the first thing it would refuse or does not take (another encoding, a
// DOCTYPE, a reference to an entity but the five XML declares, a piece
// longer than kLongestPiece, a limit the builder reaches): the document then
// goes to libxml2 whole, which reports the error or builds the tree as it
// always has. No recursion: open elements are a stack the builder's depth
// limit bounds.
//
// The reader's parts: document_reader.cpp the document's places and its
// character data; start_tag.cpp start tags and their namespaces;
// markup.cpp the XML declaration, comments, processing instructions, CDATA
// sections and references.
#ifndef FLATDOM_ENGINE_TREE_READER_DOCUMENT_READER_H
#define FLATDOM_ENGINE_TREE_READER_DOCUMENT_READER_H

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/tree/byte_source.h"
#include "engine/tree/limits.h"
#include "engine/tree/parse_outcome.h"
#include "engine/tree/tree_builder.h"
#include "byte_classes.h"
#include "input_window.h"
#include "qualified_names.h"

namespace engine::tree::reader {

// Values of a start tag, kept from tag to tag: appended without a call.
template <class T>
class TagValues {
  public:
    void Clear() { m_size = 0; }
    std::size_t Size() const { return m_size; }
    T* begin() { return m_data.get(); }
    T* end() { return m_data.get() + m_size; }
    T& operator[](std::size_t at) { return m_data[at]; }
    [[gnu::always_inline]] void Add(const T& value) {
        if (m_size == m_capacity) Grow();
        m_data[m_size++] = value;
    }

  private:
    void Grow() {
        const std::size_t capacity = m_capacity == 0 ? 16 : 2 * m_capacity;
        std::unique_ptr<T[]> data(new T[capacity]);
        std::copy(m_data.get(), m_data.get() + m_size, data.get());
        m_data = std::move(data);
        m_capacity = capacity;
    }

    std::unique_ptr<T[]> m_data;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

class DocumentReader {
  public:
    // declared: the source is UTF-8 text whatever it declares, and this is
    // the encoding its XML declaration names (declared_encoding.h); null:
    // bytes, which the reader takes only as UTF-8. window: the bytes read
    // at first (InputWindow).
    DocumentReader(ByteSource& source, TreeBuilder& builder, const std::string* declared,
                   std::size_t window = InputWindow::kChunk);
    DocumentReader(const DocumentReader&) = delete;
    DocumentReader& operator=(const DocumentReader&) = delete;

    // Reads the whole document into the builder: false when it goes to
    // libxml2 instead (the builder's tree is then of no use). Throws
    // std::bad_alloc when memory runs out.
    bool Read();

    const ParseCost& Cost() const { return m_cost; }

  private:
    enum class Step {
        kDone,  // a piece read
        kMore,  // the piece goes on past what the window holds: read more, and again from p
        kOut,   // the document goes to libxml2
    };
    enum class Place { kProlog, kContent, kCdata, kEpilog };
    struct Attribute {
        QualifiedName* name = nullptr;
        char* value = nullptr;
        char* end = nullptr;
        bool decode = false;  // holds references or white space other than spaces
        ExpandedNameId expanded = 0;
    };
    struct Element {
        QualifiedName* name;
        std::size_t declarations;  // QualifiedNames' mark before its own
    };

    // The byte order mark and the XML declaration; kMore or kOut as Step.
    Step Start(char*& p);
    Step XmlDeclaration(char*& p);
    bool Finish();

    // document_reader.cpp: a piece at p, in each place; p moves past it.
    Step Misc(char*& p);
    Step Content(char*& p);
    Step CdataStart(char*& p);
    Step Text(char*& p);
    Step EndTag(char*& p);

    // start_tag.cpp.
    Step StartTag(char*& p);
    // The rest of a start tag from q on, after its name: attributes.
    [[gnu::noinline]] Step Attributes(char*& p, char* q, QualifiedName& element);
    Step ReadName(char*& q, QualifiedName*& name);
    // A tag read whole (m_attributes) given to the builder: Resolve for one
    // that declares no namespace, Declare for one that does.
    bool Resolve(QualifiedName& element, bool empty);
    bool Declare(QualifiedName& element, bool empty);
    // Gives the builder the element, its declarations and attributes
    // (m_namespaceEvents, m_attributeEvents), and opens it unless empty;
    // mark: the declarations in scope before its own.
    bool Begin(QualifiedName& element, std::size_t mark, bool empty);
    // The element given to the builder opened, or ended when empty.
    bool Entered(QualifiedName& element, std::size_t mark, bool empty);
    // No two attributes of the tag alike (m_keys).
    bool Unique();
    bool UniqueInTable();

    // markup.cpp.
    Step Comment(char*& p);
    Step Instruction(char*& p);
    Step Cdata(char*& p);
    // The reference at p ('&'): the character it stands for and the byte
    // after it.
    Step Reference(const char* p, char32_t& c, const char*& after) const;
    // Values made what they stand for, in place: references as their
    // characters, and white space as spaces (a CR LF one space); false for
    // a reference the reader does not take.
    bool DecodeValue(char* begin, char*& end) const;
    // Line ends made LF in place (CR LF and CR alike).
    static char* JoinLines(char* begin, char* end);
    // Past the byte at q that stopped a run of plain bytes (of text, a value
    // or markup) when it starts a character of two or more bytes: kDone.
    // kMore when the window ends at it or within the character; kOut for
    // anything else ('<' in a value, a control character, bytes that are
    // no UTF-8 or no character of XML).
    template <class Char>
    static Step PassCharacter(Char*& q, const char* end) {
        if (static_cast<unsigned char>(*q) < 0x80) return q >= end ? Step::kMore : Step::kOut;
        char32_t character = 0;
        const int length = DecodeAt(q, end, character);
        if (length <= 0) return length < 0 ? Step::kMore : Step::kOut;
        q += length;
        return Step::kDone;
    }

    const char* End() const { return m_in.End(); }

    InputWindow m_in;
    TreeBuilder& m_builder;
    QualifiedNames m_names;
    // The name read last (ReadName): before the first, one of none.
    QualifiedName m_noName;
    QualifiedName* m_lastName = &m_noName;
    const std::string* m_declared;
    Place m_place = Place::kProlog;
    bool m_inText = false;     // character data was given in pieces, and goes on
    std::size_t m_blanks = 0;  // white space between markup outside the root, so far
    std::string m_encoding;    // as the XML declaration names it
    bool m_declaration = false;
    int m_standalone = -1;  // -1: not declared; 0: no; 1: yes
    // The open elements, as many as the builder takes.
    Element m_open[kMaxElementDepth];
    std::size_t m_depth = 0;
    TagValues<Attribute> m_attributes;  // of the start tag being read
    std::vector<NamespaceEvent> m_namespaceEvents;
    std::vector<AttributeEvent> m_attributeEvents;
    TagValues<std::uint64_t> m_keys;    // of the start tag's attributes, to tell duplicates
    std::vector<std::uint64_t> m_seen;  // a table of them, for many
    ParseCost m_cost;
};

}  // namespace engine::tree::reader

#endif
