#include "cluster/delivery_note.h"

#include "core/credentials.h"

#include <gtest/gtest.h>

namespace mossquill::service::testing {
namespace {

// Each record of a read note as "device,device:text".
std::vector<std::string> Records(const DeliveryNote& note) {
    std::vector<std::string> records;
    for (const auto& record : note.records) {
        std::string line;
        for (std::size_t i = 0; i < record.deviceCount; ++i) {
            line += std::string(i == 0 ? "" : ",") + std::string(note.deviceIds[record.firstDevice + i]);
        }
        records.push_back(line + ":" + std::string(record.text));
    }
    return records;
}

TEST(DeliveryNoteTest, TextsArriveByteForByteInOrderAndOnlyWholeNotesAreRead) {
    // Texts that would need escaping in JSON, with a length mark and a header inside.
    const std::vector<std::string> alice = {"alice"};
    const std::vector<std::string> both = {"bob", "carol"};
    const std::string awkward = std::string("{\"a\":\"\\\"\n") + '\0' + "12:@d1\xe5\x92\x95\"}";
    DeliveryNoteWriter deliveries;
    deliveries.Add(alice, "first");
    deliveries.Add(both, awkward);
    deliveries.Add(alice, "");
    const auto read = ReadDeliveryNote(deliveries.Note());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->kind, NoteKind::Deliveries);
    EXPECT_EQ(Records(*read), (std::vector<std::string>{"alice:first", "bob,carol:" + awkward, "alice:"}));

    DeliveryNoteWriter presence("dave");
    presence.Add(both, "online");
    const auto notice = ReadDeliveryNote(presence.Note());
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->kind, NoteKind::Presence);
    EXPECT_EQ(notice->about, "dave");
    EXPECT_EQ(Records(*notice), std::vector<std::string>{"bob,carol:online"});

    // A note cut short is refused unless cut between records, never read as far as it goes.
    const std::string& whole = deliveries.Note();
    const std::size_t firstEnds =
        DeliveryNoteWriter().Note().size() + DeliveryNoteWriter::Record(alice, "first").size();
    const std::size_t secondEnds = firstEnds + DeliveryNoteWriter::Record(both, awkward).size();
    for (std::size_t length = 4; length < whole.size(); ++length) {
        const auto cut = ReadDeliveryNote(std::string_view(whole).substr(0, length));
        EXPECT_EQ(bool(cut), length == firstEnds || length == secondEnds) << "cut at " << length;
    }
}

TEST(DeliveryNoteTest, NotesFromAnotherBuildOrAnAttackerAreRefusedWithoutReadingPastThem) {
    const std::string longId(kMaxDeviceIdLength + 1, 'a');
    const std::vector<std::string> refused = {
        "{\"deliver\":[\"alice\"],\"text\":\"hi\"}",  // the older JSON form is another kind
        "@d2"
        "1:5:alice2:hi",  // a later version
        "@d1"
        "1:5:alice99:hi",  // a text running past the end
        "@d1"
        "1:5:alice2:hi!",  // bytes left over
        "@d1"
        "0:2:hi",  // a record for nobody
        "@d1"
        "1:0:2:hi",  // an empty device id
        "@d1"
        "1:65:" +
            longId + "2:hi",  // a device id too long
        "@d1"
        "1:5:alice02:hi",  // a length written with a leading zero
        "@d1"
        "1:5:alice-2:hi",  // a sign
        "@d1"
        "99999999999:5:alice2:hi",  // a count that could only mean trouble
        "@d1"
        "1:5:alice12345678901234567890:hi",  // a length of absurd width
        "@d1"
        "1:5:alice2",  // a length without its end mark
        "@p1"
        "1:5:alice2:hi",  // presence about nobody (no about field)
    };
    for (const auto& note : refused) {
        EXPECT_FALSE(ReadDeliveryNote(note)) << note;
    }

    // Larger than any note may be, although well formed.
    const std::vector<std::string> alice = {"alice"};
    DeliveryNoteWriter huge;
    huge.Add(alice, std::string(kMaxNoteBytes, 'x'));
    EXPECT_FALSE(ReadDeliveryNote(huge.Note()));
    EXPECT_EQ(KindOfNote(huge.Note()), NoteKind::Deliveries) << "still known by its kind, for the log";
}

}  // namespace
}  // namespace mossquill::service::testing
