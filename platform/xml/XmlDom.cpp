#include "platform/xml/XmlDom.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>

#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>

#include "platform/system/Errors.h"
#include "platform/files/FileContent.h"
#include "platform/text/Utf8.h"

namespace nulvane {

namespace detail {

// The children of one element that carry one tag, in order, as of one state of the tree.
struct TChildIndex {
    xmlNodePtr Parent = nullptr;
    std::string Tag;
    std::uint64_t Generation = 0;
    std::vector<xmlNodePtr> Items;
};

struct TXmlDocumentData {
    xmlDocPtr Doc = nullptr;
    // Bumped by every change of the element structure; an index of another generation is stale.
    std::uint64_t Generation = 1;
    // Collections are walked by position (item 0, 1, 2...), which would cost a scan of the
    // siblings per item; these indexes make each step constant. Few collections are in use at a
    // time, so a short list does.
    std::vector<TChildIndex> Indexes;
    // Parent of the elements taken out of the tree; freed with the document, so that views on
    // removed elements stay valid. Not linked into the document, so never saved.
    xmlNodePtr Detached = nullptr;
    TXmlOptions Options;

    TXmlDocumentData(xmlDocPtr doc, TXmlOptions options) : Doc(doc), Options(options) {}
    TXmlDocumentData(const TXmlDocumentData&) = delete;
    TXmlDocumentData& operator=(const TXmlDocumentData&) = delete;
    ~TXmlDocumentData() {
        // The detached nodes use the document's dictionary: they go first.
        if (Detached) xmlFreeNode(Detached);
        xmlFreeDoc(Doc);
    }
};

}  // namespace detail

namespace {

// libxml2's own limit for one text; also the bound on an attribute value grown by entities.
constexpr std::size_t MaxExpandedText = 10'000'000;
constexpr int MaxEntityDepth = 40;
// Far beyond any real value (a column caption, a file's path), and a quick read at the worst.
constexpr std::size_t MaxEntityReferences = 1'000'000;

const xmlChar* Xml(const std::string& text) { return reinterpret_cast<const xmlChar*>(text.c_str()); }
std::string_view View(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// What libxml2 cannot tell its caller (a failed allocation while building a tree or parsing, for
// one) it prints on standard error through its generic error function, in pieces, with bytes of the
// document quoted as they are, even half a character or none at all. The pieces go out with every
// byte but printable ASCII and the line end escaped, so that no such message can act on a terminal.
// Nothing is allocated here: the message may be about memory running out.
void PrintLibraryMessage(void*, const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length < 0) return;
    char escaped[sizeof text * 4];
    std::size_t out = 0;
    for (std::size_t i = 0; i < std::min(static_cast<std::size_t>(length), sizeof text - 1); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte >= 0x20 && byte < 0x7f && byte != '\\') || byte == '\n') {
            escaped[out++] = static_cast<char>(byte);
        } else {
            std::snprintf(escaped + out, 5, "\\x%02x", byte);
            out += 4;
        }
    }
    std::fwrite(escaped, 1, out, stderr);
}

void EnsureLibxml() {
    static const bool initialised = [] {
        xmlInitParser();
        // For this thread and every thread that starts using libxml2 from now on.
        xmlSetGenericErrorFunc(nullptr, PrintLibraryMessage);
        xmlThrDefSetGenericErrorFunc(nullptr, PrintLibraryMessage);
        return true;
    }();
    (void)initialised;
}

// --- Text encoding -----------------------------------------------------------------------------

bool IsXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// Valid UTF-8 of characters that pass `keep`; others become `replacement`. A stray byte is read
// as the Latin-1 character of that value.
template <class TKeep>
std::string CleanText(std::string_view bytes, TKeep keep, char32_t replacement) {
    std::string out;
    std::size_t i = 0;
    // Most texts are already clean: copy them in one go.
    for (char32_t c; i < bytes.size();) {
        const std::size_t n = DecodeUtf8(bytes, i, c);
        if (n == 0 || !keep(c)) break;
        i += n;
    }
    if (i == bytes.size()) return std::string(bytes);
    out.reserve(bytes.size() + 16);
    out.append(bytes.substr(0, i));
    for (char32_t c; i < bytes.size();) {
        std::size_t n = DecodeUtf8(bytes, i, c);
        if (n == 0) {
            c = static_cast<unsigned char>(bytes[i]);
            n = 1;
        }
        AppendUtf8(out, keep(c) ? c : replacement);
        i += n;
    }
    return out;
}

// --- Names ---------------------------------------------------------------------------------------

template <class TNodeOrAttr>
bool NameEquals(const TNodeOrAttr* node, std::string_view name) {
    const std::string_view local = View(node->name);
    if (node->ns && node->ns->prefix) {
        const std::string_view prefix = View(node->ns->prefix);
        return name.size() == prefix.size() + 1 + local.size() && name.substr(0, prefix.size()) == prefix &&
               name[prefix.size()] == ':' && name.substr(prefix.size() + 1) == local;
    }
    return local == name;
}

template <class TNodeOrAttr>
std::string QualifiedName(const TNodeOrAttr* node) {
    std::string name;
    if (node->ns && node->ns->prefix) {
        name = View(node->ns->prefix);
        name += ':';
    }
    name += View(node->name);
    return name;
}

std::string ValidName(std::string_view name, const char* what) {
    std::string text(name);
    if (text.empty() || text.find('\0') != std::string::npos || xmlValidateName(Xml(text), 0) != 0)
        throw EXmlError(std::string("not a valid ") + what + " name: \"" + text + "\"");
    return text;
}

bool IsElement(const xmlNode* node) { return node->type == XML_ELEMENT_NODE; }

const std::vector<xmlNodePtr>& TaggedChildren(detail::TXmlDocumentData& data, xmlNodePtr parent, std::string_view tag) {
    constexpr std::size_t MaxIndexes = 8;
    auto it = std::find_if(data.Indexes.begin(), data.Indexes.end(),
                           [&](const detail::TChildIndex& index) { return index.Parent == parent && index.Tag == tag; });
    if (it == data.Indexes.end()) {
        if (data.Indexes.size() == MaxIndexes) data.Indexes.erase(data.Indexes.begin());
        data.Indexes.push_back({parent, std::string(tag), 0, {}});
        it = data.Indexes.end() - 1;
    }
    if (it->Generation != data.Generation) {
        it->Items.clear();
        for (xmlNodePtr child = parent->children; child; child = child->next)
            if (IsElement(child) && NameEquals(child, tag)) it->Items.push_back(child);
        it->Generation = data.Generation;
    }
    return it->Items;
}

// --- Attribute values ----------------------------------------------------------------------------

// One attribute value being expanded: its text so far and the entity references followed for it.
// Both are bounded, the references too because an entity may expand to nothing: a document of
// nested empty entities would otherwise keep a read busy for ever without growing the text.
struct TExpansion {
    xmlDocPtr Doc;
    std::string Out;
    std::size_t References = 0;
};

void AppendReplacementText(TExpansion& expansion, const xmlChar* text, int depth);

// An entity's text as it reads inside an attribute value. External entities are never loaded and
// read as nothing, like undeclared ones.
void AppendEntity(TExpansion& expansion, const std::string& name, int depth) {
    if (depth > MaxEntityDepth) throw EXmlError("entity references nested too deeply in an attribute value");
    if (const xmlEntity* predefined = xmlGetPredefinedEntity(Xml(name))) {
        expansion.Out += View(predefined->content);
        return;
    }
    if (++expansion.References > MaxEntityReferences)
        throw EXmlError("attribute value refers to entities more than " + std::to_string(MaxEntityReferences) + " times");
    const xmlEntity* entity = xmlGetDocEntity(expansion.Doc, Xml(name));
    if (!entity || entity->etype != XML_INTERNAL_GENERAL_ENTITY || !entity->content) return;
    AppendReplacementText(expansion, entity->content, depth + 1);
}

// Expands a replacement text as attribute-value normalisation wants it: character references
// become their character, entity references their own expansion, white space a blank. The result
// is bounded, so a document full of nested entities cannot make a read run away.
void AppendReplacementText(TExpansion& expansion, const xmlChar* text, int depth) {
    std::string& out = expansion.Out;
    const std::string_view s = View(text);
    for (std::size_t i = 0; i < s.size();) {
        const char ch = s[i];
        const std::size_t semi = ch == '&' ? s.find(';', i) : std::string_view::npos;
        if (semi != std::string_view::npos && i + 1 < semi && s[i + 1] == '#') {
            const bool hex = s[i + 2] == 'x';
            char32_t c = 0;
            bool ok = semi > i + (hex ? 3 : 2);
            for (std::size_t k = i + (hex ? 3 : 2); ok && k < semi; ++k) {
                const char d = s[k];
                int v = d >= '0' && d <= '9' ? d - '0' : -1;
                if (hex && v < 0) v = d >= 'a' && d <= 'f' ? d - 'a' + 10 : d >= 'A' && d <= 'F' ? d - 'A' + 10 : -1;
                ok = v >= 0 && c <= 0x10FFFF;
                c = c * (hex ? 16 : 10) + static_cast<char32_t>(v);
            }
            if (ok && IsXmlChar(c)) AppendUtf8(out, c);
            i = semi + 1;
        } else if (semi != std::string_view::npos && i + 1 < semi) {
            AppendEntity(expansion, std::string(s.substr(i + 1, semi - i - 1)), depth);
            i = semi + 1;
        } else {
            out += ch == '\t' || ch == '\n' || ch == '\r' ? ' ' : ch;
            ++i;
        }
        if (out.size() > MaxExpandedText) throw EXmlError("attribute value too long after entity expansion");
    }
}

std::string AttributeValue(const xmlAttr* attr) {
    const xmlNode* child = attr->children;
    if (!child) return {};
    if (!child->next && child->type == XML_TEXT_NODE) return std::string(View(child->content));
    TExpansion expansion{attr->doc, {}};
    for (; child; child = child->next) {
        if (child->type == XML_TEXT_NODE)
            expansion.Out += View(child->content);
        else if (child->type == XML_ENTITY_REF_NODE)
            AppendEntity(expansion, std::string(View(child->name)), 0);
        if (expansion.Out.size() > MaxExpandedText) throw EXmlError("attribute value too long after entity expansion");
    }
    return std::move(expansion.Out);
}

xmlAttr* FindAttribute(const xmlNode* node, std::string_view name) {
    for (xmlAttr* attr = node->properties; attr; attr = attr->next)
        if (NameEquals(attr, name)) return attr;
    return nullptr;
}

xmlNodePtr NewText(xmlDocPtr doc, std::string_view value) {
    const std::string text = ToXmlText(value);
    xmlNodePtr node = xmlNewDocTextLen(doc, Xml(text), static_cast<int>(text.size()));
    if (!node) throw EXmlError("out of memory");
    return node;
}

// --- Parsing -------------------------------------------------------------------------------------

struct TParseError {
    bool Set = false;
    std::string Reason;
    int Line = 0;
    int Column = 0;
    std::string Source;
};

struct TParseErrors {
    TParseError Fatal;  // a well-formedness error: the one that stops the parse
    TParseError Other;  // a lesser error, should no fatal one come
};

// Text for a message: valid UTF-8 on one line.
std::string Printable(std::string_view bytes) {
    return CleanText(bytes, [](char32_t c) { return c >= 0x20 && IsXmlChar(c); }, U' ');
}

// The line of the input at the error, from its start, or from shortly before the error when the
// line is long (a whole document may sit on one line).
std::string SourceExcerpt(const xmlParserInput* input) {
    if (!input || !input->base || !input->cur) return {};
    const xmlChar* base = input->base;
    const xmlChar* end = input->end ? input->end : input->cur + std::strlen(reinterpret_cast<const char*>(input->cur));
    const xmlChar* cur = input->cur < end ? input->cur : end;
    const xmlChar* start = cur;
    while (start > base && start[-1] != '\n' && start[-1] != '\r') --start;
    std::string prefix;
    if (cur - start > 40) {
        start = cur - 40;
        while (start < cur && (*start & 0xC0) == 0x80) ++start;
        prefix = "...";
    }
    const xmlChar* stop = start;
    while (stop < end && *stop != '\n' && *stop != '\r' && stop - start < 80) ++stop;
    const std::string_view raw(reinterpret_cast<const char*>(start), static_cast<std::size_t>(stop - start));
    return prefix + Printable(raw);
}

void OnParseError(void* userData, xmlErrorPtr error) {
    auto* ctxt = static_cast<xmlParserCtxtPtr>(userData);
    if (!ctxt || !error || error->level < XML_ERR_ERROR) return;
    auto* errors = static_cast<TParseErrors*>(ctxt->_private);
    if (!errors) return;
    TParseError& slot = error->level == XML_ERR_FATAL ? errors->Fatal : errors->Other;
    if (slot.Set) return;
    slot.Set = true;
    slot.Line = error->line;
    slot.Column = error->int2;
    std::string_view reason = View(reinterpret_cast<const xmlChar*>(error->message));
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' ')) reason.remove_suffix(1);
    // Called from libxml2's C frames: nothing may be thrown through them.
    try {
        slot.Reason = Printable(reason);
        slot.Source = SourceExcerpt(ctxt->input);
    } catch (...) {
    }
}

xmlParserInputPtr RefuseEntity(void*, const xmlChar*, const xmlChar*) { return nullptr; }
void IgnoreExternalSubset(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}

struct TCtxtDeleter {
    void operator()(xmlParserCtxtPtr ctxt) const {
        if (ctxt->myDoc) xmlFreeDoc(ctxt->myDoc);
        ctxt->myDoc = nullptr;
        xmlFreeParserCtxt(ctxt);
    }
};

std::shared_ptr<detail::TXmlDocumentData> Parse(std::string_view text, const std::string& sourceName,
                                                TXmlOptions options) {
    EnsureLibxml();
    // libxml2 will not even start on nothing; say what it would have said.
    if (text.empty()) throw EXmlError(sourceName + ": Document is empty (line 1, column 1): \"\"");
    if (text.size() > static_cast<std::size_t>(INT_MAX))
        throw EXmlError(sourceName + ": too large to parse (" + std::to_string(text.size()) + " bytes)");
    std::unique_ptr<xmlParserCtxt, TCtxtDeleter> ctxt(
        xmlCreateMemoryParserCtxt(text.data(), static_cast<int>(text.size())));
    if (!ctxt) throw EXmlError(sourceName + ": cannot start the XML parser");

    // Without XML_PARSE_NOENT entities stay references in the tree (that option would read local
    // files through external entities even without network access); without XML_PARSE_HUGE the
    // parser keeps its limits on entity amplification, text length and depth; without DTDLOAD or
    // DTDATTR no external subset is ever fetched.
    xmlCtxtUseOptions(ctxt.get(), XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT);
    // A second lock on the same door: any attempt to load an external entity or subset gets nothing.
    ctxt->sax->resolveEntity = RefuseEntity;
    ctxt->sax->externalSubset = IgnoreExternalSubset;
    ctxt->sax->serror = OnParseError;
    TParseErrors errors;
    ctxt->_private = &errors;

    xmlParseDocument(ctxt.get());
    ctxt->_private = nullptr;

    if (!ctxt->wellFormed || !ctxt->myDoc) {
        const TParseError* error = errors.Fatal.Set ? &errors.Fatal : errors.Other.Set ? &errors.Other : nullptr;
        TParseError fallback;
        if (!error) {
            const xmlError* last = xmlCtxtGetLastError(ctxt.get());
            fallback.Reason = last && last->message ? std::string(View(reinterpret_cast<const xmlChar*>(last->message)))
                                                    : std::string("the document is not well-formed");
            while (!fallback.Reason.empty() && fallback.Reason.back() == '\n') fallback.Reason.pop_back();
            fallback.Line = last ? last->line : 0;
            fallback.Column = last ? last->int2 : 0;
            error = &fallback;
        }
        throw EXmlError(sourceName + ": " + error->Reason + " (line " + std::to_string(error->Line) + ", column " +
                        std::to_string(error->Column) + "): \"" + error->Source + "\"");
    }
    auto data = std::make_shared<detail::TXmlDocumentData>(ctxt->myDoc, options);
    ctxt->myDoc = nullptr;
    if (!xmlDocGetRootElement(data->Doc)) throw EXmlError(sourceName + ": the document has no root element");
    return data;
}

// --- Saving --------------------------------------------------------------------------------------

struct TSaveSink {
    std::function<void(std::string_view)> Write;
    std::exception_ptr Error;
};

int SinkWrite(void* context, const char* buffer, int len) {
    auto* sink = static_cast<TSaveSink*>(context);
    try {
        sink->Write(std::string_view(buffer, static_cast<std::size_t>(len)));
        return len;
    } catch (...) {
        // No exception may cross libxml2's C frames: keep it for the caller.
        if (!sink->Error) sink->Error = std::current_exception();
        return -1;
    }
}

int SinkClose(void*) { return 0; }

void IgnoreError(void*, xmlErrorPtr) {}

// While saving, libxml2 reports a failed write on standard error ("I/O error : write error"); the
// caller hears of it as an exception instead. The handlers are the thread's own.
class TQuietErrors {
public:
    TQuietErrors() : Handler_(xmlStructuredError), Context_(xmlStructuredErrorContext) {
        xmlSetStructuredErrorFunc(nullptr, IgnoreError);
    }
    ~TQuietErrors() { xmlSetStructuredErrorFunc(Context_, Handler_); }
    TQuietErrors(const TQuietErrors&) = delete;
    TQuietErrors& operator=(const TQuietErrors&) = delete;

private:
    xmlStructuredErrorFunc Handler_;
    void* Context_;
};

void Save(xmlDocPtr doc, TSaveSink& sink) {
    const TQuietErrors quiet;
    xmlSaveCtxtPtr save = xmlSaveToIO(SinkWrite, SinkClose, &sink, "UTF-8", 0);
    if (!save) throw EXmlError("cannot start saving the document");
    const long written = xmlSaveDoc(save, doc);
    const int closed = xmlSaveClose(save);
    if (sink.Error) std::rethrow_exception(sink.Error);
    if (written < 0 || closed < 0) throw EXmlError("cannot save the document");
}

}  // namespace

std::string ToXmlText(std::string_view bytes) { return CleanText(bytes, IsXmlChar, U'\uFFFD'); }

std::string Utf8WithReplacement(std::string_view bytes) {
    std::size_t i = 0;
    for (char32_t c; i < bytes.size();) {
        const std::size_t n = DecodeUtf8(bytes, i, c);
        if (n == 0) break;
        i += n;
    }
    if (i == bytes.size()) return std::string(bytes);
    std::string out(bytes.substr(0, i));
    out.reserve(bytes.size() + 16);
    for (char32_t c; i < bytes.size();) {
        const std::size_t n = DecodeUtf8(bytes, i, c);
        AppendUtf8(out, n == 0 ? U'\uFFFD' : c);
        i += n == 0 ? 1 : n;
    }
    return out;
}

// --- TXmlElement ---------------------------------------------------------------------------------

_xmlNode* TXmlElement::Checked() const {
    if (!Node_) throw EXmlError("no element");
    return Node_;
}

std::string TXmlElement::Name() const { return QualifiedName(Checked()); }

TXmlDocument TXmlElement::Document() const {
    Checked();
    return TXmlDocument(Doc_);
}

std::optional<std::string> TXmlElement::Attribute(std::string_view name) const {
    xmlNodePtr node = Checked();
    const xmlAttr* attr = FindAttribute(node, name);
    if (!attr) {
        if (Doc_->Options.AutoCreate && !xmlNewProp(node, Xml(ValidName(name, "attribute")), Xml(std::string())))
            throw EXmlError("out of memory");
        if (!Doc_->Options.EmptyAttributeIsNull && Doc_->Options.AutoCreate) return std::string();
        return std::nullopt;
    }
    std::string value = AttributeValue(attr);
    if (value.empty() && Doc_->Options.EmptyAttributeIsNull) return std::nullopt;
    return value;
}

std::string TXmlElement::AttributeText(std::string_view name) const { return Attribute(name).value_or(std::string()); }

bool TXmlElement::HasAttribute(std::string_view name) const { return FindAttribute(Checked(), name) != nullptr; }

void TXmlElement::SetAttribute(std::string_view name, std::string_view value) const {
    xmlNodePtr node = Checked();
    if (xmlAttr* attr = FindAttribute(node, name)) {
        xmlNodePtr text = NewText(Doc_->Doc, value);
        xmlFreeNodeList(attr->children);
        text->parent = reinterpret_cast<xmlNodePtr>(attr);
        attr->children = attr->last = text;
        return;
    }
    const std::string text = ToXmlText(value);
    if (!xmlNewProp(node, Xml(ValidName(name, "attribute")), Xml(text))) throw EXmlError("out of memory");
}

bool TXmlElement::RemoveAttribute(std::string_view name) const {
    xmlAttr* attr = FindAttribute(Checked(), name);
    return attr && xmlRemoveProp(attr) == 0;
}

std::vector<std::pair<std::string, std::string>> TXmlElement::Attributes() const {
    std::vector<std::pair<std::string, std::string>> result;
    for (const xmlAttr* attr = Checked()->properties; attr; attr = attr->next)
        result.emplace_back(QualifiedName(attr), AttributeValue(attr));
    return result;
}

TXmlElement TXmlElement::FindChild(std::string_view name) const {
    for (xmlNodePtr child = Checked()->children; child; child = child->next)
        if (IsElement(child) && NameEquals(child, name)) return TXmlElement(Doc_, child);
    return {};
}

TXmlElement TXmlElement::Child(std::string_view name) const {
    TXmlElement found = FindChild(name);
    if (found || !Doc_->Options.AutoCreate) return found;
    return AppendChild(name);
}

std::vector<TXmlElement> TXmlElement::Children() const {
    std::vector<TXmlElement> result;
    for (xmlNodePtr child = Checked()->children; child; child = child->next)
        if (IsElement(child)) result.push_back(TXmlElement(Doc_, child));
    return result;
}

std::vector<TXmlElement> TXmlElement::Children(std::string_view tag) const {
    std::vector<TXmlElement> result;
    for (xmlNodePtr child = Checked()->children; child; child = child->next)
        if (IsElement(child) && NameEquals(child, tag)) result.push_back(TXmlElement(Doc_, child));
    return result;
}

int TXmlElement::CountChildren(std::string_view tag) const {
    return static_cast<int>(TaggedChildren(*Doc_, Checked(), tag).size());
}

TXmlElement TXmlElement::ChildAt(std::string_view tag, int index) const {
    const std::vector<xmlNodePtr>& items = TaggedChildren(*Doc_, Checked(), tag);
    if (index < 0 || static_cast<std::size_t>(index) >= items.size())
        throw EListError("list index out of bounds (" + std::to_string(index) + ")");
    return TXmlElement(Doc_, items[static_cast<std::size_t>(index)]);
}

TXmlElement TXmlElement::AppendChild(std::string_view name) const { return InsertChildBefore(name, TXmlElement()); }

TXmlElement TXmlElement::InsertChildBefore(std::string_view name, const TXmlElement& reference) const {
    xmlNodePtr parent = Checked();
    if (reference && reference.Node_->parent != parent)
        throw EXmlError("cannot insert \"" + std::string(name) + "\": the reference is not a child of \"" + Name() + "\"");
    xmlNodePtr node = xmlNewDocNode(Doc_->Doc, nullptr, Xml(ValidName(name, "element")), nullptr);
    if (!node) throw EXmlError("out of memory");
    if (reference)
        xmlAddPrevSibling(reference.Node_, node);
    else
        xmlAddChild(parent, node);
    ++Doc_->Generation;
    return TXmlElement(Doc_, node);
}

void TXmlElement::RemoveChild(const TXmlElement& child) const {
    xmlNodePtr parent = Checked();
    if (!child || child.Node_->parent != parent) throw EXmlError("not a child of \"" + Name() + "\"");
    if (!Doc_->Detached) {
        Doc_->Detached = xmlNewDocNode(Doc_->Doc, nullptr, BAD_CAST "detached", nullptr);
        if (!Doc_->Detached) throw EXmlError("out of memory");
    }
    xmlUnlinkNode(child.Node_);
    xmlAddChild(Doc_->Detached, child.Node_);
    ++Doc_->Generation;
}

void TXmlElement::ClearChildren() const {
    xmlNodePtr node = Checked();
    for (xmlNodePtr child = node->children; child;) {
        xmlNodePtr next = child->next;
        if (IsElement(child)) {
            RemoveChild(TXmlElement(Doc_, child));
        } else {
            xmlUnlinkNode(child);
            xmlFreeNode(child);
        }
        child = next;
    }
    ++Doc_->Generation;
}

// --- TXmlDocument --------------------------------------------------------------------------------

TXmlDocument TXmlDocument::ParseFile(const std::string& fileName, TXmlOptions options) {
    return TXmlDocument(Parse(ReadFileContent(fileName), "\"" + fileName + "\"", options));
}

TXmlDocument TXmlDocument::ParseText(std::string_view text, TXmlOptions options) {
    return TXmlDocument(Parse(text, "XML text", options));
}

TXmlElement TXmlDocument::Root() const { return TXmlElement(Data_, xmlDocGetRootElement(Data_->Doc)); }

const TXmlOptions& TXmlDocument::Options() const noexcept { return Data_->Options; }

void TXmlDocument::SaveTo(const std::function<void(std::string_view)>& write) const {
    TSaveSink sink{write, nullptr};
    Save(Data_->Doc, sink);
}

std::string TXmlDocument::SaveToText() const {
    std::string text;
    TSaveSink sink{[&text](std::string_view bytes) { text += bytes; }, nullptr};
    Save(Data_->Doc, sink);
    return text;
}

void TXmlDocument::SaveToFile(const std::string& fileName) const {
    TFileWriter writer(fileName, TCreateMode::Replace);
    try {
        TSaveSink sink{[&writer](std::string_view bytes) { writer.Write(bytes); }, nullptr};
        Save(Data_->Doc, sink);
        writer.Close();
    } catch (...) {
        RemoveFile(fileName);
        throw;
    }
}

}  // namespace nulvane
