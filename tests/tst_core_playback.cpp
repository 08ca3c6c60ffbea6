// The playback's speed and seeking, over the model's clock.
#include "Playback.h"
#include "SystemData.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <cmath>

class TestPlayback : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void speedScalesTheTick();
    void seeksBackwardsAndForwards();
    void seekKeepsWithinThePath();

private:
    QTimer animTimer;
    SystemData* data = nullptr;
    Playback* playback = nullptr;
};

void TestPlayback::init()
{
    animTimer.setInterval(10);
    data = new SystemData;
    data->animTimer = &animTimer;
    data->computeTrajectory(0.05, 0.06);
    data->ResetAnim();
    playback = new Playback(data);
}

void TestPlayback::cleanup()
{
    delete playback;
    delete data;
}

// At 1x a tick is the model's own step, to the bit; the other speeds move the
// clock by their share of it.
void TestPlayback::speedScalesTheTick()
{
    SystemData reference;
    reference.animTimer = &animTimer;
    reference.computeTrajectory(0.05, 0.06);
    reference.ResetAnim();
    QSignalSpy moved(playback, &Playback::moved);
    for (int tick = 0; tick < 50; ++tick) {
        QCOMPARE(playback->tick(), reference.animStep());
        QCOMPARE(data->animTime, reference.animTime);
        QCOMPARE(data->animPos[0], reference.animPos[0]);
        QCOMPARE(data->animPos[1], reference.animPos[1]);
    }
    QCOMPARE(moved.count(), 50);

    for (const double speed : {0.25, 0.5, 2.0, 4.0}) {
        playback->setSpeed(speed);
        const float before = data->animTime;
        QVERIFY(playback->tick());
        QVERIFY(std::fabs((data->animTime - before) - 0.01 * speed) < 1e-6);
    }
}

// A seek finds the segment from the start, so the bob can go back; ticks go on
// from wherever it was put.
void TestPlayback::seeksBackwardsAndForwards()
{
    // Where the ticks of a plain run put the bob at some time.
    for (int tick = 0; tick < 300; ++tick)
        QVERIFY(playback->tick());
    const float late = data->animTime;
    const float latePos[2] = {data->animPos[0], data->animPos[1]};
    const int lateIndex = data->animIndex;
    QVERIFY(lateIndex > 10);

    QSignalSpy moved(playback, &Playback::moved);
    const float early = data->trajTimes[5] + 0.4f * (data->trajTimes[6] - data->trajTimes[5]);
    playback->seek(early);
    QCOMPARE(moved.count(), 1);
    QCOMPARE(data->animIndex, 5);
    QCOMPARE(data->animTime, early);
    const auto& p5 = data->trajPoints[5];
    const auto& p6 = data->trajPoints[6];
    QVERIFY(std::fabs(data->animPos[0] - (p5[0] + 0.4f * (p6[0] - p5[0]))) < 1e-6f);
    QVERIFY(std::fabs(data->animPos[1] - (p5[1] + 0.4f * (p6[1] - p5[1]))) < 1e-6f);
    QVERIFY(playback->tick());
    QVERIFY(data->animTime > early);

    // Forwards again to the same time: the same place as the plain run.
    playback->seek(late);
    QCOMPARE(data->animIndex, lateIndex);
    QCOMPARE(data->animPos[0], latePos[0]);
    QCOMPARE(data->animPos[1], latePos[1]);
}

void TestPlayback::seekKeepsWithinThePath()
{
    const int last = data->numTrajPoints - 1;
    QCOMPARE(playback->duration(), double(data->trajTimes[std::size_t(last)]));

    // Past the end: the bob rests on the last sample, and the next tick ends the playback.
    playback->seek(playback->duration() + 5.0);
    QCOMPARE(playback->time(), playback->duration());
    QCOMPARE(data->animPos[0], data->trajPoints[std::size_t(last)][0]);
    QCOMPARE(data->animPos[1], data->trajPoints[std::size_t(last)][1]);
    QVERIFY(!playback->tick());

    // Before the start: the release point.
    playback->seek(-1.0);
    QCOMPARE(playback->time(), 0.0);
    QCOMPARE(data->animIndex, 0);
    QCOMPARE(data->animPos[0], 0.05f);
    QCOMPARE(data->animPos[1], 0.06f);

    // Without a path there is nothing to seek in.
    data->numTrajPoints = 0;
    QCOMPARE(playback->duration(), 0.0);
    QSignalSpy moved(playback, &Playback::moved);
    playback->seek(1.0);
    QCOMPARE(moved.count(), 0);
    QCOMPARE(data->animPos[0], 0.05f);
}

QTEST_GUILESS_MAIN(TestPlayback)
#include "tst_core_playback.moc"
