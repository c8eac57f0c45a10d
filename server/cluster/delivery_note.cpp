#include "cluster/delivery_note.h"

#include "core/credentials.h"

#include <charconv>

namespace mossquill::service {
namespace {

constexpr std::string_view kDeliveriesHeader = "@d1";
constexpr std::string_view kPresenceHeader = "@p1";
static_assert(kDeliveriesHeader.size() == kPresenceHeader.size());
constexpr char kLengthEnd = ':';

constexpr std::size_t DigitCount(std::size_t number) {
    std::size_t digits = 1;
    for (; number >= 10; number /= 10) {
        ++digits;
    }
    return digits;
}

// Digits of the longest length a note can hold; more is a flaw, not a big number.
constexpr std::size_t kMaxLengthDigits = DigitCount(kMaxNoteBytes);

void AppendNumber(std::string& note, std::size_t number) {
    char digits[DigitCount(static_cast<std::size_t>(-1))];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), number).ptr;
    note.append(digits, end);
    note.push_back(kLengthEnd);
}

void AppendField(std::string& note, std::string_view field) {
    AppendNumber(note, field.size());
    note.append(field);
}

// Reads fields off the front of a note; any flaw leaves it failed for good.
class FieldReader {
public:
    explicit FieldReader(std::string_view rest) : rest_(rest) {}

    bool AtEnd() const { return rest_.empty(); }

    // A length or count: digits without a leading zero, then the end mark.
    std::optional<std::size_t> Number() {
        const std::size_t end = rest_.find(kLengthEnd);
        if (end == std::string_view::npos || end == 0 || end > kMaxLengthDigits || (end > 1 && rest_.front() == '0')) {
            return std::nullopt;
        }
        std::size_t number = 0;
        const auto [stop, error] = std::from_chars(rest_.data(), rest_.data() + end, number);
        if (error != std::errc() || stop != rest_.data() + end) {
            return std::nullopt;
        }
        rest_.remove_prefix(end + 1);
        return number;
    }

    std::optional<std::string_view> Field() {
        const std::optional<std::size_t> length = Number();
        if (!length || *length > rest_.size()) {
            return std::nullopt;
        }
        const std::string_view field = rest_.substr(0, *length);
        rest_.remove_prefix(*length);
        return field;
    }

    std::optional<std::string_view> DeviceId() {
        const auto id = Field();
        return id && !id->empty() && id->size() <= kMaxDeviceIdLength ? id : std::nullopt;
    }

    // The bytes left: a bound on how many more fields there can be.
    std::size_t Remaining() const { return rest_.size(); }

private:
    std::string_view rest_;
};

}  // namespace

NoteKind KindOfNote(std::string_view note) {
    if (note.starts_with(kDeliveriesHeader)) {
        return NoteKind::Deliveries;
    }
    if (note.starts_with(kPresenceHeader)) {
        return NoteKind::Presence;
    }
    return NoteKind::Other;
}

DeliveryNoteWriter::DeliveryNoteWriter(std::optional<std::string_view> about)
    : note_(about ? kPresenceHeader : kDeliveriesHeader) {
    if (about) {
        AppendField(note_, *about);
    }
}

std::string DeliveryNoteWriter::Record(std::span<const std::string> deviceIds, std::string_view text) {
    std::string record;
    AppendNumber(record, deviceIds.size());
    for (const auto& id : deviceIds) {
        AppendField(record, id);
    }
    AppendField(record, text);
    return record;
}

void DeliveryNoteWriter::Add(std::span<const std::string> deviceIds, std::string_view text) {
    note_ += Record(deviceIds, text);
}

std::optional<DeliveryNote> ReadDeliveryNote(std::string_view note) {
    const NoteKind kind = KindOfNote(note);
    if (kind == NoteKind::Other || note.size() > kMaxNoteBytes) {
        return std::nullopt;
    }
    FieldReader reader(note.substr(kDeliveriesHeader.size()));
    DeliveryNote read;
    read.kind = kind;
    if (kind == NoteKind::Presence) {
        const auto about = reader.DeviceId();
        if (!about) {
            return std::nullopt;
        }
        read.about = *about;
    }
    while (!reader.AtEnd()) {
        const std::optional<std::size_t> count = reader.Number();
        // Each device takes at least three bytes ("1:x"): a larger count is a flaw at once.
        if (!count || *count == 0 || *count > reader.Remaining() / 3) {
            return std::nullopt;
        }
        DeliveryNote::Record record{read.deviceIds.size(), *count, {}};
        for (std::size_t i = 0; i < *count; ++i) {
            const auto id = reader.DeviceId();
            if (!id) {
                return std::nullopt;
            }
            read.deviceIds.push_back(*id);
        }
        const auto text = reader.Field();
        if (!text) {
            return std::nullopt;
        }
        record.text = *text;
        read.records.push_back(record);
    }
    return read;
}

}  // namespace mossquill::service
