#include "support/TestSupport.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

class Echo : public CMessageReceiver {
protected:
    LRESULT WindowProc(unsigned msg, WPARAM w, LPARAM l) override {
        order.push_back(msg);
        return static_cast<LRESULT>(w) + l;
    }

public:
    std::vector<unsigned> order;
};

} // namespace

TEST(Messages, SendIsHandledBeforeItReturnsAndGivesTheResult) {
    Echo target;
    EXPECT_EQ(sendMessage(&target, UM_PLAY_CODE, 40, 2), 42);
    ASSERT_EQ(target.order.size(), 1u);
    EXPECT_EQ(target.order[0], UM_PLAY_CODE);
}

TEST(Messages, PostIsQueuedUntilTheLoopRunsAndKeepsOrder) {
    Echo target;
    EXPECT_TRUE(postMessage(&target, UM_INIT_LAYOUT));
    EXPECT_TRUE(postMessage(&target, UM_REFRESH_CONTROLS));
    EXPECT_TRUE(target.order.empty());
    sendMessage(&target, UM_LOG_TEXT); // a send overtakes the queue
    QCoreApplication::processEvents();
    ASSERT_EQ(target.order.size(), 3u);
    EXPECT_EQ(target.order[0], UM_LOG_TEXT);
    EXPECT_EQ(target.order[1], UM_INIT_LAYOUT);
    EXPECT_EQ(target.order[2], UM_REFRESH_CONTROLS);
}

TEST(Messages, NoTargetAndVanishedTarget) {
    EXPECT_FALSE(postMessage(nullptr, UM_PLAY_CODE, 1));
    EXPECT_EQ(sendMessage(nullptr, UM_PLAY_CODE, 1), 0);
    auto target = std::make_unique<Echo>();
    postMessage(target.get(), UM_PLAY_CODE, 7);
    target.reset(); // the queued message must die with its receiver
    QCoreApplication::processEvents();
    SUCCEED();
}

TEST(Messages, MainWindowIsForgottenWhenItGoes) {
    auto w = std::make_unique<Echo>();
    setMainWindow(w.get());
    EXPECT_EQ(mainWindow(), w.get());
    w.reset();
    EXPECT_EQ(mainWindow(), nullptr);
}

TEST(Messages, NumbersAreTheSharedOnes) {
    // Other copies of the program and their tools rely on these exact numbers.
    EXPECT_EQ(UM_INIT_LAYOUT, 0x0D99u);
    EXPECT_EQ(UM_REFRESH_CONTROLS, 0x1400u);
    EXPECT_EQ(UM_LOG_TEXT, 0x1401u);
    EXPECT_EQ(UM_RECORD_ADDED, 0x1402u);
    EXPECT_EQ(UM_RECORD_UPDATED, 0x1403u);
    EXPECT_EQ(UM_COLUMN_CLICK, 0x2449u);
    EXPECT_EQ(UM_LIST_RBUTTONDOWN, 0x2450u);
    EXPECT_EQ(UM_CLEAR_LOG, 0x8401u);
    EXPECT_EQ(UM_PLAY_CODE, 0x9490u);
    EXPECT_EQ(UM_STOP_PLAY, 0x9491u);
    EXPECT_EQ(UM_RERECORD, 0x9492u);
    EXPECT_EQ(UM_DELETE_RECORD, 0x9493u);
    EXPECT_EQ(UM_DELETE_ALL, 0x9494u);
}
