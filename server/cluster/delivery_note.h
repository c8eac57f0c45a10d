#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mossquill::service {

// Deliveries and presence notices travel between instances as compact notes rather than
// JSON: the texts they carry are JSON already, and escaping them on the way out and
// parsing them again on arrival cost more than the rest of a relayed visit. A note is a
// header naming its kind, then records, each a list of devices and one text for them all;
// every field is length-prefixed ("<decimal length>:<bytes>") and its bytes are carried
// as they are.
//
//   deliveries: "@d1" record...
//   presence:   "@p1" <about> record...
//   record:     "<device count>:" <device>... <text>
//
// Other instances may run another build: a reader takes nothing on trust and refuses the
// whole note at the first flaw, before any of it is handed on.

// The largest note sent or read; a batch that would be larger goes out as several.
constexpr std::size_t kMaxNoteBytes = 1024 * 1024;

enum class NoteKind { Deliveries, Presence, Other };

// The kind a note announces in its header, whether or not the rest is well formed.
NoteKind KindOfNote(std::string_view note);

class DeliveryNoteWriter {
public:
    // Deliveries; presence notices about `about` when given.
    explicit DeliveryNoteWriter(std::optional<std::string_view> about = std::nullopt);

    // One record as it stands in a note: a note is its header followed by records.
    static std::string Record(std::span<const std::string> deviceIds, std::string_view text);

    void Add(std::span<const std::string> deviceIds, std::string_view text);
    const std::string& Note() const { return note_; }

private:
    std::string note_;
};

// A note as read, its fields pointing into the text it was read from.
struct DeliveryNote {
    struct Record {
        std::size_t firstDevice = 0;  // into `deviceIds`
        std::size_t deviceCount = 0;
        std::string_view text;
    };
    NoteKind kind = NoteKind::Deliveries;
    std::string_view about;  // presence only
    std::vector<std::string_view> deviceIds;
    std::vector<Record> records;
};

// The note, or nothing when it is not a well-formed deliveries or presence note: longer
// than kMaxNoteBytes, a length running past the end or written oddly, a device id empty
// or longer than kMaxDeviceIdLength, a record without devices, or bytes left over.
std::optional<DeliveryNote> ReadDeliveryNote(std::string_view note);

}  // namespace mossquill::service
