// Walks a version-information block node by node. Every node is checked against its parent
// before it is read, and each step moves forward by a node's non-zero length, so damaged
// blocks end in "not found" and never in a read past the bytes or an endless walk.
#include "util/version_info_block.h"

#include <algorithm>
#include <cstddef>

namespace vg::util {
namespace {

constexpr std::size_t kNodeHeaderSize = 6; // wLength, wValueLength, wType

struct Node {
    std::size_t end = 0;
    std::uint16_t valueLength = 0;
    VersionValueType type = VersionValueType::kBinary;
    std::size_t keyStart = 0;
    std::size_t keyEnd = 0; // before the terminating zero
    std::size_t valueStart = 0;
};

class BlockReader {
public:
    explicit BlockReader(std::span<const std::uint8_t> block) : block_(block) {}

    // The node at `start`, which must lie within [start, limit).
    [[nodiscard]] std::optional<Node> ReadNode(std::size_t start, std::size_t limit) const {
        if (limit - start < kNodeHeaderSize) {
            return std::nullopt;
        }
        const std::size_t length = Le16(start);
        if (length < kNodeHeaderSize || length > limit - start) {
            return std::nullopt;
        }
        Node node;
        node.end = start + length;
        node.valueLength = Le16(start + 2);
        node.type = Le16(start + 4) == 1 ? VersionValueType::kText : VersionValueType::kBinary;
        node.keyStart = start + kNodeHeaderSize;
        const std::optional<std::size_t> keyEnd = FindTerminator(node.keyStart, node.end);
        if (!keyEnd) {
            return std::nullopt;
        }
        node.keyEnd = *keyEnd;
        node.valueStart = std::min(AlignToDword(*keyEnd + 2), node.end);
        return node;
    }

    // Where the node's children start: after its value, on the next 32-bit boundary. A value
    // length that overshoots the node (some writers count a text value in bytes) leaves room for
    // no children.
    [[nodiscard]] static std::size_t ChildrenStart(const Node& node) {
        const std::size_t valueBytes = node.type == VersionValueType::kText
                                           ? 2 * std::size_t{node.valueLength}
                                           : node.valueLength;
        if (valueBytes > node.end - node.valueStart) {
            return node.end;
        }
        return std::min(AlignToDword(node.valueStart + valueBytes), node.end);
    }

    [[nodiscard]] std::optional<Node> FindChild(const Node& parent,
                                                std::u16string_view name) const {
        std::size_t position = ChildrenStart(parent);
        while (parent.end - position >= kNodeHeaderSize) {
            const std::optional<Node> child = ReadNode(position, parent.end);
            if (!child) {
                return std::nullopt;
            }
            if (KeyEquals(*child, name)) {
                return child;
            }
            position = std::min(AlignToDword(child->end), parent.end);
        }
        return std::nullopt;
    }

    [[nodiscard]] std::optional<VersionValue> ValueOf(const Node& node) const {
        if (node.type == VersionValueType::kBinary) {
            if (node.valueLength > node.end - node.valueStart) {
                return std::nullopt;
            }
            return VersionValue{node.type, block_.subspan(node.valueStart, node.valueLength)};
        }
        // The text runs to its terminating zero; wValueLength only says whether there is any.
        if (node.valueLength == 0) {
            return VersionValue{node.type, block_.subspan(node.valueStart, 0)};
        }
        const std::size_t textEnd =
            FindTerminator(node.valueStart, node.end).value_or(LastUnitEnd(node));
        return VersionValue{node.type, block_.subspan(node.valueStart, textEnd - node.valueStart)};
    }

private:
    [[nodiscard]] std::uint16_t Le16(std::size_t offset) const {
        return static_cast<std::uint16_t>(block_[offset] | (block_[offset + 1] << 8));
    }

    [[nodiscard]] static std::size_t AlignToDword(std::size_t offset) {
        return (offset + 3) & ~std::size_t{3};
    }

    [[nodiscard]] static std::size_t LastUnitEnd(const Node& node) {
        return node.valueStart + (node.end - node.valueStart) / 2 * 2;
    }

    // The offset of the first zero UTF-16 unit in [start, end).
    [[nodiscard]] std::optional<std::size_t> FindTerminator(std::size_t start,
                                                            std::size_t end) const {
        for (std::size_t position = start; end - position >= 2; position += 2) {
            if (Le16(position) == 0) {
                return position;
            }
        }
        return std::nullopt;
    }

    [[nodiscard]] bool KeyEquals(const Node& node, std::u16string_view name) const {
        if ((node.keyEnd - node.keyStart) / 2 != name.size()) {
            return false;
        }
        for (std::size_t i = 0; i < name.size(); ++i) {
            if (FoldCase(Le16(node.keyStart + 2 * i)) != FoldCase(name[i])) {
                return false;
            }
        }
        return true;
    }

    [[nodiscard]] static char16_t FoldCase(char16_t unit) {
        return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
    }

    std::span<const std::uint8_t> block_;
};

// The next non-empty component of a "\"-separated path, removed from its front.
std::u16string_view TakeComponent(std::u16string_view& path) {
    while (path.starts_with(u'\\')) {
        path.remove_prefix(1);
    }
    const std::size_t separator = path.find(u'\\');
    const std::u16string_view component = path.substr(0, separator);
    path.remove_prefix(component.size());
    return component;
}

} // namespace

std::optional<VersionValue> QueryVersionValue(std::span<const std::uint8_t> block,
                                              std::u16string_view path) {
    const BlockReader reader(block);
    std::optional<Node> node = reader.ReadNode(0, block.size());
    for (std::u16string_view component = TakeComponent(path); node && !component.empty();
         component = TakeComponent(path)) {
        node = reader.FindChild(*node, component);
    }
    return node ? reader.ValueOf(*node) : std::nullopt;
}

std::optional<std::u16string> QueryVersionText(std::span<const std::uint8_t> block,
                                               std::u16string_view path) {
    const std::optional<VersionValue> value = QueryVersionValue(block, path);
    if (!value || value->type != VersionValueType::kText) {
        return std::nullopt;
    }
    std::u16string text(value->bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(value->bytes[2 * i] | (value->bytes[2 * i + 1] << 8));
    }
    return text;
}

std::vector<VersionTranslation> QueryVersionTranslations(std::span<const std::uint8_t> block) {
    const std::optional<VersionValue> value =
        QueryVersionValue(block, u"\\VarFileInfo\\Translation");
    std::vector<VersionTranslation> table;
    if (!value) {
        return table;
    }
    const std::span<const std::uint8_t> bytes = value->bytes;
    for (std::size_t i = 0; bytes.size() - i >= 4; i += 4) {
        table.push_back({static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)),
                         static_cast<std::uint16_t>(bytes[i + 2] | (bytes[i + 3] << 8))});
    }
    return table;
}

} // namespace vg::util
