// The progress lines: whatever the stages report, and however long a stage says nothing, the
// percentage only rises, stays within the stage it is in, and reaches 100 only at the end.

#include "prepare/PrepareProgress.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

TEST(ProgressLines, RiseWithinTheirStageAndEndAt100) {
    std::ostringstream out;
    {
        ProgressLines lines(out);
        lines.report(PrepareStage::Reading, 0);
        lines.report(PrepareStage::Welding, 0);
        lines.report(PrepareStage::Importing, 0.5);
        lines.report(PrepareStage::Welding, 0.0);
        lines.report(PrepareStage::Bracing, 0.5);
        lines.report(PrepareStage::Bracing, 0.51);
        lines.report(PrepareStage::Writing, 7.0);
        lines.finish();
    }
    EXPECT_EQ(out.str(), "progress 0 reading\nprogress 30 welding\nprogress 80 bracing\n"
                         "progress 99 writing\nprogress 100 writing\n");

    // A stage that says nothing for long moves on by itself, but never into the next stage's
    // share.
    std::ostringstream quiet;
    {
        ProgressLines lines(quiet);
        lines.report(PrepareStage::Welding, 0);
        lines.keepMoving(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        lines.finish();
    }
    std::istringstream said(quiet.str());
    std::string word;
    std::string stage;
    int percent = 0;
    int previous = -1;
    while (said >> word >> percent >> stage && percent < 100) {
        EXPECT_EQ(stage, "welding");
        EXPECT_GT(percent, previous);
        EXPECT_LT(percent, 35) << "beyond the welding's share";
        previous = percent;
    }
    EXPECT_EQ(percent, 100);
}
