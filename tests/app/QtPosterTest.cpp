#include "QtPoster.h"

#include <QCoreApplication>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

TEST(QtPoster, WorkPostedFromAWorkerRunsInOrderOnTheOwnersThread) {
    QtPoster poster;
    const std::thread::id owner = std::this_thread::get_id();
    std::vector<int> ran;
    std::atomic<bool> wrongThread{false};
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            poster.Post([&, i] {
                if (std::this_thread::get_id() != owner)
                    wrongThread = true;
                ran.push_back(i);
            });
    });
    worker.join();
    EXPECT_TRUE(ran.empty()); // nothing runs until the owner's event loop does
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(wrongThread);
}

TEST(QtPoster, WorkStillQueuedWhenThePosterGoesIsDropped) {
    bool ran = false;
    {
        QtPoster poster;
        poster.Post([&ran] { ran = true; });
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}
