// The configuration loader fed any text: parsing through the XML layer, binding the root, and
// reading every column definition and range item the way the list controller does. Errors a
// person can read are fine; a crash, a hang or a sanitizer report is not.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "config/TallyscopeConfig.h"
#include "platform/system/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nulvane;
    try {
        const IXMLConfigTypePtr config = LoadConfigText({reinterpret_cast<const char*>(data), size});
        auto read = [](auto&& action) {
            try {
                action();
            } catch (const ENulvaneError&) {
            }
        };
        read([&] { (void)config->VersionNo(); });
        read([&] {
            const TXMLNodesType nodes = config->Nodes();
            for (int i = 0; i < nodes.Count() && i < 64; ++i) {
                const TXMLNodeType node = nodes.Item(i);
                read([&] { (void)node.Name(); });
                read([&] { (void)node.Width(); });
                read([&] { (void)node.Visible(); });
                read([&] { (void)node.Index(); });
                read([&] { (void)node.Align(); });
                read([&] { (void)node.DefaultExport(); });
            }
        });
        read([&] {
            const TXMLSizerangeType items = config->Sizerange();
            for (int i = 0; i < items.Count() && i < 64; ++i) {
                read([&] { (void)items.Item(i).Label(); });
                read([&] { (void)items.Item(i).Value(); });
            }
        });
        read([&] { (void)config->Frame().Width(); });
    } catch (const ENulvaneError&) {
    }
    return 0;
}
