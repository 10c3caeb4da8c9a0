#include "support/CEngineHarness.h"

#include "modem/WorkerCommands.h"

#include <gtest/gtest.h>

namespace brivex::test {

// The harness itself: a worker that was never started is halted, the store
// is open and a name looks up through 1535 as the main window does it.
TEST(EngineHarness, LooksUpNamesThroughTheStore)
{
    CEngineHarness h;
    EXPECT_EQ(h.State().currentCommand.load(), DM_HALTED);
    h.Pbook().Open();
    const CDaoPbookDb::Entry entry{CDaoPbookDb::kMemory, 1, "Ana", "0215551234"};
    h.Pbook().AddEntries(std::span(&entry, 1));
    h.Pbook().Close();
    std::string number = "0215551234";
    h.Fake().Send(CWindowSeam::Target::MainWindow, WM_LOOKUP_NAME, 0, reinterpret_cast<std::intptr_t>(&number));
    EXPECT_EQ(number, "Ana");
    number = "999";
    h.Fake().Send(CWindowSeam::Target::MainWindow, WM_LOOKUP_NAME, 0, reinterpret_cast<std::intptr_t>(&number));
    EXPECT_EQ(number, "");
}

}  // namespace brivex::test
