#include "platform/xml/XmlDocComponent.h"

#include <utility>

#include "platform/files/SafeFile.h"

namespace nulvane {

void TXmlDocComponent::SetXml(std::string text) {
    Document_.reset();
    Xml_ = std::move(text);
}

void TXmlDocComponent::SetActive(bool active) {
    if (!active)
        Document_.reset();
    else if (!Document_)
        Document_ = TXmlDocument::ParseText(Xml_, Options_);
}

TXmlDocument& TXmlDocComponent::Document() {
    SetActive(true);
    return *Document_;
}

void TXmlDocComponent::SaveToFile(const std::string& fileName) {
    const std::string text = Document().SaveToText();
    WriteFileSafely(fileName, text);
}

}  // namespace nulvane
