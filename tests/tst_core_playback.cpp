// The playback's speed and seeking, over the model's clock.
#include "Playback.h"
#include "SystemData.h"

#include <QtTest>

#include <cmath>

class TestPlayback : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void oneTimesIsTheModelsTick();
    void seeksAnywhereInThePath();
    void advancesByWallTimeAtItsSpeed();

private:
    SystemData* data = nullptr;
    Playback* playback = nullptr;
};

void TestPlayback::init()
{
    data = new SystemData;
    data->computeTrajectory(0.05, 0.06);
    data->ResetAnim();
    playback = new Playback(data);
}

void TestPlayback::cleanup()
{
    delete playback;
    delete data;
}

// At 1x a tick is the model's own step, to the bit (the panel's test covers
// the other speeds).
void TestPlayback::oneTimesIsTheModelsTick()
{
    SystemData reference;
    reference.computeTrajectory(0.05, 0.06);
    reference.ResetAnim();
    for (int tick = 0; tick < 50; ++tick) {
        QCOMPARE(playback->tick(), reference.animStep());
        QCOMPARE(data->animTime, reference.animTime);
        QCOMPARE(data->animPos[0], reference.animPos[0]);
    }
}

// A seek finds the segment from the start, so the bob can go back; ticks go on
// from wherever it was put, and a seek keeps within the path.
void TestPlayback::seeksAnywhereInThePath()
{
    for (int tick = 0; tick < 300; ++tick)
        QVERIFY(playback->tick());
    const float late = data->animTime;
    const float latePos[2] = {data->animPos[0], data->animPos[1]};

    const float early = data->trajTimes[5] + 0.4f * (data->trajTimes[6] - data->trajTimes[5]);
    playback->seek(early);
    QCOMPARE(data->animIndex, 5);
    const auto& p5 = data->trajPoints[5];
    const auto& p6 = data->trajPoints[6];
    QVERIFY(std::fabs(data->animPos[0] - (p5[0] + 0.4f * (p6[0] - p5[0]))) < 1e-6f);
    QVERIFY(playback->tick());
    QVERIFY(data->animTime > early);

    // Forwards to where the plain run was: the same place.
    playback->seek(late);
    QCOMPARE(data->animPos[0], latePos[0]);
    QCOMPARE(data->animPos[1], latePos[1]);

    // Past the end the bob rests on the last sample and the playback is over;
    // before the start it is at the release point.
    const auto& last = data->trajPoints[std::size_t(data->numTrajPoints - 1)];
    playback->seek(playback->duration() + 5.0);
    QCOMPARE(playback->time(), playback->duration());
    QCOMPARE(data->animPos[0], last[0]);
    QVERIFY(!playback->tick());
    playback->seek(-1.0);
    QCOMPARE(playback->time(), 0.0);
    QCOMPARE(data->animPos[0], 0.05f);
}

// The timer's ticks carry the wall time since the last one, scaled by the
// speed; a single step stays one tick of the timer at that speed.
void TestPlayback::advancesByWallTimeAtItsSpeed()
{
    SystemData reference;
    reference.computeTrajectory(0.05, 0.06);
    reference.ResetAnim();
    playback->setSpeed(2.0);
    QVERIFY(playback->advance(37.0));
    QVERIFY(reference.animStep(74.0));
    QCOMPARE(data->animTime, reference.animTime);
    QCOMPARE(data->animPos[0], reference.animPos[0]);
    QVERIFY(playback->tick());
    QVERIFY(reference.animStep(2.0 * SystemData::kTickMilliseconds));
    QCOMPARE(data->animTime, reference.animTime);
    QCOMPARE(data->animIndex, reference.animIndex);
    QVERIFY(std::fabs(data->animTime - 0.094f) < 1e-6f);

    // A tick late enough to pass the end leaves the bob at the end, not
    // where the tick before put it.
    const int last = data->numTrajPoints - 1;
    QVERIFY(!playback->advance(1e9));
    QCOMPARE(data->animIndex, last - 1);
    QCOMPARE(data->animPos[0], data->trajPoints[std::size_t(last)][0]);
    QCOMPARE(data->animPos[1], data->trajPoints[std::size_t(last)][1]);
    QVERIFY(playback->cannotAdvance());
}

QTEST_GUILESS_MAIN(TestPlayback)
#include "tst_core_playback.moc"
