#include "panel/config_check.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "catalog/board_catalog.h"
#include "panel/tests/startup_fixtures.h"
#include "platform/ui/script.h"
#include "platform/ui/ui.h"

namespace ovtb::panel {
namespace {

namespace cat = catalog;

// Board `slot` of a configuration whose boards never conflict: I/O ranges 0x40 apart, distinct
// interrupts and vectors, COM numbers eight apart. Each case then changes what it needs.
BoardConfig Board(int slot, int ports = 8) {
    BoardConfig board;
    board.portCount = ports;
    board.irq = std::array{3, 4, 5, 7}[static_cast<std::size_t>(slot)];
    board.vectorAddress = static_cast<std::uint16_t>(0x2C0 + 0x10 * slot);
    for (int i = 0; i < 8; ++i) {
        board.ioAddress[static_cast<std::size_t>(i)] =
            static_cast<std::uint16_t>(0x100 + 0x40 * slot + 8 * i);
        board.comNumber[static_cast<std::size_t>(i)] = 3 + 8 * slot + i;
    }
    return board;
}

BoardConfig WithIo(BoardConfig board, std::vector<std::uint16_t> addresses) {
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        board.ioAddress[i] = addresses[i];
    }
    return board;
}

BoardConfig WithBase(BoardConfig board, std::uint16_t base) {
    for (std::size_t i = 0; i < 8; ++i) {
        board.ioAddress[i] = static_cast<std::uint16_t>(base + 8 * i);
    }
    return board;
}

BoardConfig WithIrq(BoardConfig board, std::int32_t irq) {
    board.irq = irq;
    return board;
}

BoardConfig AsPci(BoardConfig board) {
    board.busKind = cat::BUS_PCI;
    board.typeCode = 0x2210;
    return board;
}

BoardConfig WithVector(BoardConfig board, std::uint16_t vector) {
    board.vectorAddress = vector;
    return board;
}

BoardConfig WithComs(BoardConfig board, std::vector<std::int32_t> coms) {
    for (std::size_t i = 0; i < coms.size(); ++i) {
        board.comNumber[i] = coms[i];
    }
    return board;
}

std::vector<const BoardConfig*> Pointers(const std::vector<BoardConfig>& boards) {
    std::vector<const BoardConfig*> pointers;
    for (const auto& board : boards) {
        pointers.push_back(&board);
    }
    return pointers;
}

class ConfigurationChecks : public ::testing::Test {
  protected:
    void SetUp() override { ui::ResetForTests(); }
    void TearDown() override { ui::ResetForTests(); }
};

TEST_F(ConfigurationChecks, ReportTheFirstConflictInCheckOrderWithItsMessage) {
    struct Case {
        const char* name;
        std::vector<BoardConfig> boards;
        const char* message;  // nullptr: no conflict
    };
    const Case cases[] = {
        {"no boards", {}, nullptr},
        {"one board", {Board(0)}, nullptr},
        {"boards that share nothing", {Board(0), Board(1), Board(2), Board(3)}, nullptr},

        // 1. I/O addresses.
        {"8-port boards at 0x180 and 0x1A0",
         {WithBase(Board(0), 0x180), WithBase(Board(1), 0x1A0)},
         "I/O address conflict between board 1 and board 2 !"},
        {"8-port boards at 0x180 and 0x1C0",
         {WithBase(Board(0), 0x180), WithBase(Board(1), 0x1C0)},
         nullptr},
        {"only an earlier port within a later port's eight addresses counts",
         {WithIo(Board(0, 2), {0x100, 0x108}), WithIo(Board(1, 2), {0x10C, 0x114})},
         nullptr},
        {"a later port's range does not wrap past 0xFFFF",
         {WithIo(Board(0, 2), {0x0003, 0x0400}), WithIo(Board(1, 2), {0xFFFC, 0x0500})},
         nullptr},
        {"ports past the port count take no part",
         {WithIo(Board(0, 2), {0x100, 0x108, 0x300}), WithIo(Board(1, 2), {0x300, 0x308})},
         nullptr},
        {"boards counted from 1 in list order",
         {Board(0), Board(1), WithBase(Board(2), 0x300), WithBase(Board(3), 0x300)},
         "I/O address conflict between board 3 and board 4 !"},

        // 2. Interrupts.
        {"two ISA boards on interrupt 5",
         {WithIrq(Board(0), 5), WithIrq(Board(1), 5)},
         "IRQ conflict between board 1 and board 2 !"},
        {"interrupts 2 and 9",
         {WithIrq(Board(0), 2), WithIrq(Board(1), 9)},
         "IRQ conflict between board 1 and board 2 !"},
        {"interrupts 9 and 2",
         {WithIrq(Board(0), 9), WithIrq(Board(1), 2)},
         "IRQ conflict between board 1 and board 2 !"},
        {"two PCI boards share an interrupt",
         {AsPci(WithIrq(Board(0), 11)), AsPci(WithIrq(Board(1), 11))},
         nullptr},
        {"a PCI and an ISA board on one interrupt",
         {AsPci(WithIrq(Board(0), 11)), WithIrq(Board(1), 11)},
         "IRQ conflict between board 1 and board 2 !"},

        // 3. Interrupt vectors.
        {"two boards without a vector",
         {WithVector(Board(0), 0), WithVector(Board(1), 0)},
         nullptr},
        {"two boards with vector 0x1C0",
         {WithVector(Board(0), 0x1C0), WithVector(Board(1), 0x1C0)},
         "Interrupt vector conflict between board 1 and board 2 !"},

        // 4. COM numbers between boards.
        {"COM3 to COM10 and COM10 to COM13",
         {WithComs(Board(0), {3, 4, 5, 6, 7, 8, 9, 10}), WithComs(Board(1, 4), {10, 11, 12, 13})},
         "COM number conflict between board 1 and board 2 !"},
        {"a COM number past the port count takes no part",
         {WithComs(Board(0, 2), {3, 4, 20}), WithComs(Board(1, 2), {20, 21})},
         nullptr},

        // 5. COM numbers within a board.
        {"ports 1 and 3 of board 2 on COM5",
         {WithComs(Board(0, 2), {20, 21}), WithComs(Board(1, 4), {5, 40, 5, 41})},
         "COM number conflict between port 1 and port 3 of the board 2!"},
        {"one board alone can fail only here",
         {WithComs(Board(0, 2), {7, 7})},
         "COM number conflict between port 1 and port 2 of the board 1!"},

        // Order of the checks.
        {"an I/O conflict is reported before an interrupt conflict",
         {WithIrq(WithBase(Board(0), 0x180), 5), WithIrq(WithBase(Board(1), 0x1A0), 5)},
         "I/O address conflict between board 1 and board 2 !"},
        {"an interrupt conflict is reported before a vector conflict",
         {WithVector(WithIrq(Board(0), 5), 0x1C0), WithVector(WithIrq(Board(1), 5), 0x1C0)},
         "IRQ conflict between board 1 and board 2 !"},
        {"a vector conflict is reported before a COM conflict",
         {WithVector(Board(0), 0x1C0), WithComs(WithVector(Board(1), 0x1C0), {3})},
         "Interrupt vector conflict between board 1 and board 2 !"},
        {"a COM conflict between boards is reported before one within a board",
         {Board(0), WithComs(Board(1, 4), {50, 50, 51, 52}),
          WithComs(Board(2, 4), {3, 60, 61, 62})},
         "COM number conflict between board 1 and board 3 !"},
        {"the first pair in loop order is reported",
         {Board(0), WithVector(Board(1), 0x1C0), WithVector(Board(2), 0x1C0),
          WithVector(Board(3), 0x2C0)},
         "Interrupt vector conflict between board 1 and board 4 !"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ui::ResetForTests();
        auto script = std::make_shared<ui::Script>();
        if (c.message != nullptr) {
            script->Message(c.message);
        }
        ui::UseScript(script);
        const auto boards = Pointers(c.boards);
        EXPECT_EQ(CheckConfiguration(boards), c.message == nullptr);
        if (c.message == nullptr) {
            EXPECT_TRUE(ui::RecordedMessages().empty());
            continue;
        }
        ASSERT_EQ(ui::RecordedMessages().size(), 1u);
        const auto& box = ui::RecordedMessages()[0];
        EXPECT_EQ(box.text, c.message);
        EXPECT_EQ(box.caption, "Configuration Panel");
        EXPECT_EQ(box.type, MB_OK | MB_ICONEXCLAMATION);
    }
}

class SaveOnOkTest : public ConfigurationChecks {
  protected:
    void SetUp() override {
        ConfigurationChecks::SetUp();
        testing::FreshRegistryWithServiceKeys();
    }
};

const char* const kServiceKey = cat::OVSERP_SERVICE_KEY_PATH;
const char* const kParametersKey = cat::OVSERP_PARAMETERS_KEY_PATH;

TEST_F(SaveOnOkTest, StoresTheBoardsInListOrderAndRegistersTheModels) {
    std::vector<std::unique_ptr<BoardConfig>> boards;
    boards.push_back(std::make_unique<BoardConfig>(AsPci(Board(0, 8))));
    boards.push_back(std::make_unique<BoardConfig>(Board(1, 4)));
    boards[1]->typeCode = 0x0110;

    EXPECT_TRUE(SaveOnOk(boards));

    std::vector<BYTE> expected;
    for (const auto& board : boards) {
        const auto bytes = board->ToSettingsRecord().ToBytes();
        expected.insert(expected.end(), bytes.begin(), bytes.end());
    }
    EXPECT_EQ(testing::StoredValue(kParametersKey, cat::SETTINGS_VALUE), expected);
    EXPECT_EQ(testing::StoredValue(kServiceKey, cat::PRODUCT_ID_VALUE),
              (std::vector<BYTE>{0, 0, 0, 0}));
    EXPECT_TRUE(testing::ValueExists("Software\\ORVANE\\Driver\\VI572K", "ovkey"));
    EXPECT_TRUE(ui::RecordedMessages().empty());
}

TEST_F(SaveOnOkTest, NoBoardsStoreAnEmptyValue) {
    EXPECT_TRUE(SaveOnOk(std::vector<const BoardConfig*>{}));
    EXPECT_TRUE(testing::ValueExists(kParametersKey, cat::SETTINGS_VALUE));
    EXPECT_TRUE(testing::StoredValue(kParametersKey, cat::SETTINGS_VALUE).empty());
    EXPECT_TRUE(testing::ValueExists(kServiceKey, cat::PRODUCT_ID_VALUE));
}

TEST_F(SaveOnOkTest, AConflictWritesNothing) {
    testing::StoreSettingsBytes({1, 2, 3});
    auto script = std::make_shared<ui::Script>();
    script->Message("IRQ conflict between board 1 and board 2 !");
    ui::UseScript(script);
    const std::vector<BoardConfig> boards = {WithIrq(Board(0), 5), WithIrq(Board(1), 5)};

    EXPECT_FALSE(SaveOnOk(Pointers(boards)));
    EXPECT_EQ(testing::StoredValue(kParametersKey, cat::SETTINGS_VALUE),
              (std::vector<BYTE>{1, 2, 3}));
    EXPECT_FALSE(testing::ValueExists(kServiceKey, cat::PRODUCT_ID_VALUE));
    EXPECT_FALSE(testing::ValueExists("Software\\ORVANE\\Driver\\V678", "ovkey"));
}

TEST_F(SaveOnOkTest, AFailedStoreStillEndsTheDialogWithOk) {
    registry::UseInMemoryStore();  // no service keys: "Settings" cannot be written
    const std::vector<BoardConfig> boards = {Board(0)};
    EXPECT_TRUE(SaveOnOk(Pointers(boards)));
    EXPECT_FALSE(testing::ValueExists(kParametersKey, cat::SETTINGS_VALUE));
    EXPECT_TRUE(testing::ValueExists("Software\\ORVANE\\Driver\\678PCI", "DiagDLL"));
    EXPECT_TRUE(ui::RecordedMessages().empty());
}

}  // namespace
}  // namespace ovtb::panel
