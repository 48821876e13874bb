// Shared by the dialog tests: a fresh headless user interface with the panel's resources, an
// in-memory registry holding the serial driver's service keys, a scripted user built in code, and
// boards written the way start-up gives them to the main dialog.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "catalog/board_setting_record.h"
#include "catalog/settings_record.h"
#include "panel/board_config.h"
#include "panel/string_table.h"
#include "panel/tests/startup_fixtures.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"
#include "platform/ui/afx.h"
#include "platform/ui/script.h"
#include "platform/ui/ui.h"

namespace ovtb::panel::testing {

using Op = ui::ScriptStep::Op;

// Adds an expectation on a control to the script: ExpectEnabled, ExpectRows, ExpectSelected...
inline ui::Script& Expect(ui::Script& script, Op op, int id, int row = 0) {
    ui::ScriptStep step{op};
    step.id = id;
    step.row = row;
    return script.Add(std::move(step));
}

// The id of the control that has the keyboard focus, 0 when none has.
inline int FocusedControlId() {
    HWND focus = GetFocus();
    return focus ? GetDlgCtrlID(focus) : 0;
}

class PanelDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ui::ResetForTests();
        FreshRegistryWithServiceKeys();
        AfxSetResourceHandle(PanelInstance());
        script_ = std::make_shared<ui::Script>();
    }

    void TearDown() override { ui::UseScript(nullptr); }

    // Runs the dialog modally with the script built so far; every step must have been used.
    INT_PTR Run(CDialog& dialog) {
        ui::UseScript(script_);
        INT_PTR result = dialog.DoModal();
        script_->ExpectFinished();
        return result;
    }

    ui::Script& script() { return *script_; }

    std::shared_ptr<ui::Script> script_;
};

// An ISA board as stored: model, first I/O address, interrupt, vector and first COM number.
inline BoardConfig IsaBoard(std::int32_t typeCode, std::uint16_t ioBase, std::int32_t irq,
                            std::uint16_t vector, std::int32_t firstCom) {
    BoardConfig board;
    board.busKind = catalog::BUS_ISA;
    board.typeCode = typeCode;
    const catalog::BoardType* row =
        catalog::findIsaBoardByTypeCode(static_cast<std::uint32_t>(typeCode));
    board.portCount = row ? row->portCount : 8;
    board.irq = irq;
    board.vectorAddress = vector;
    for (std::size_t i = 0; i < BOARD_PORT_SLOTS; ++i) {
        board.ioAddress[i] = static_cast<std::uint16_t>(ioBase + 8 * i);
        board.comNumber[i] = firstCom + static_cast<std::int32_t>(i);
    }
    return board;
}

// A PCI board at a bus position, with the resources its BIOS gave it.
inline BoardConfig PciBoard(std::uint16_t deviceId, std::uint16_t bus, std::uint16_t device,
                            std::uint16_t ioBase, std::int32_t irq, std::int32_t firstCom) {
    BoardConfig board;
    const catalog::BoardType* row = catalog::findPciBoardByDeviceId(deviceId);
    board.busKind = catalog::BUS_PCI;
    board.typeCode = row ? static_cast<std::int32_t>(row->typeCode) : 0;
    board.portCount = row ? row->portCount : 8;
    board.pciDeviceId = deviceId;
    board.pciBus = bus;
    board.pciDevice = device;
    board.irq = irq;
    board.vectorAddress = static_cast<std::uint16_t>(ioBase + 0x40);
    for (std::size_t i = 0; i < BOARD_PORT_SLOTS; ++i) {
        board.ioAddress[i] = static_cast<std::uint16_t>(ioBase + 8 * i);
        board.comNumber[i] = firstCom + static_cast<std::int32_t>(i);
    }
    return board;
}

// The board as far as it carries meaning: the port slots beyond its port count take the
// defaults, so that two boards compare by what is shown and stored.
inline BoardConfig Meaningful(const BoardConfig& board) {
    BoardConfig copy;
    copy.CopyFrom(board);
    return copy;
}

// A start-up block holding the boards, entry by entry, as the start-up lists fill them.
inline catalog::BoardSettingBlock BlockOf(std::initializer_list<BoardConfig> boards) {
    catalog::BoardSettingBlock block;
    for (const BoardConfig& board : boards) {
        catalog::BoardSettingRecord& r = block.records[block.count++];
        r.typeCode = static_cast<std::uint16_t>(board.typeCode);
        r.irq = board.irq;
        r.busKind = board.busKind;
        r.vectorAddress = board.vectorAddress;
        r.portCount = board.portCount;
        r.pciDeviceId = board.pciDeviceId;
        r.pciBus = board.pciBus;
        r.pciDevice = board.pciDevice;
        for (std::size_t i = 0; i < board.PortSlots(); ++i) {
            r.ioAddress[i] = board.ioAddress[i];
            r.comNumber[i] = board.comNumber[i];
            r.rxTriggerIndex[i] = board.rxTriggerIndex[i];
            r.txFifoIndex[i] = board.txFifoIndex[i];
        }
    }
    return block;
}

}  // namespace ovtb::panel::testing
