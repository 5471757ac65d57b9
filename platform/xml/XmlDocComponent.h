#pragma once
// The XML document component a window owns: it holds the text of one document and, while it is
// open (active), the parsed tree of that text. Giving it a new text closes it and discards the
// tree, so that the next access parses the new text afresh; changes made to an open tree are not
// written back into the text, only saved with the tree.
//
// Owned by the main window for the whole run; the exports borrow it, fill it, and leave the last
// document built in it.
#include <optional>
#include <string>

#include "platform/xml/XmlDom.h"

namespace nulvane {

class TXmlDocComponent {
public:
    TXmlDocComponent() = default;
    explicit TXmlDocComponent(TXmlOptions options) : Options_(options) {}

    // The text last given, whatever has been done to the open tree since.
    const std::string& Xml() const noexcept { return Xml_; }
    // Replaces the text; an open document is closed and its tree discarded.
    void SetXml(std::string text);

    bool Active() const noexcept { return Document_.has_value(); }
    // Opening parses the text (EXmlError when it does not parse, and the component stays closed);
    // closing discards the tree.
    void SetActive(bool active);

    // The open document, opened first when it is not.
    TXmlDocument& Document();
    // The document element, the document opened first when it is not.
    TXmlElement DocumentElement() { return Document().Root(); }

    // Writes the open document (opened first) to the file as UTF-8, replacing an earlier file only
    // once the new one is whole (see TSafeFileWriter). EOSError, EXmlError on failure.
    void SaveToFile(const std::string& fileName);

private:
    TXmlOptions Options_;
    std::string Xml_;
    std::optional<TXmlDocument> Document_;
};

}  // namespace nulvane
