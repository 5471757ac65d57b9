#include "config/TallyscopeConfig.h"

#include "platform/system/Errors.h"

namespace nulvane {
namespace {

IXMLConfigTypePtr BindRoot(const TXmlDocument& document) {
    return std::make_shared<TXMLConfigType>(document.Root());
}

}  // namespace

TXMLConfigType::TXMLConfigType(TXmlElement element) : TXMLElementBinding(std::move(element)) {
    if (!Element() || Element().Name() != "config")
        throw EIntfCastError("the root element \"" + (Element() ? Element().Name() : std::string()) +
                             "\" is not a configuration (\"config\")");
}

TXmlOptions ConfigDocumentOptions() {
    TXmlOptions options;
    options.EmptyAttributeIsNull = true;
    return options;
}

std::vector<TColumnDefinition> ReadColumnDefinitions(const IXMLConfigType& root) {
    const TXMLNodesType nodes = root.Nodes();
    std::vector<TColumnDefinition> columns;
    columns.reserve(static_cast<std::size_t>(nodes.Count()));
    for (int i = 0; i < nodes.Count(); ++i) {
        const TXMLNodeType node = nodes.Item(i);
        columns.push_back({.Name = node.Name(),
                           .Align = node.Align(),
                           .DefaultExportText = node.Attribute("DefaultExport"),
                           .ReadOnlyText = node.Attribute("ReadOnly"),
                           .WidthText = node.Attribute("Width"),
                           .VisibleText = node.Attribute("Visible"),
                           .IndexText = node.Attribute("Index")});
    }
    return columns;
}

IXMLConfigTypePtr LoadConfigFile(const std::string& fileName) {
    return BindRoot(TXmlDocument::ParseFile(fileName, ConfigDocumentOptions()));
}

IXMLConfigTypePtr LoadConfigText(std::string_view text) {
    return BindRoot(TXmlDocument::ParseText(text, ConfigDocumentOptions()));
}

}  // namespace nulvane
