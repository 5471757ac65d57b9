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
    options.AutoCreate = true;
    options.EmptyAttributeIsNull = true;
    return options;
}

IXMLConfigTypePtr LoadConfigFile(const std::string& fileName) {
    return BindRoot(TXmlDocument::ParseFile(fileName, ConfigDocumentOptions()));
}

IXMLConfigTypePtr LoadConfigText(std::string_view text) {
    return BindRoot(TXmlDocument::ParseText(text, ConfigDocumentOptions()));
}

}  // namespace nulvane
