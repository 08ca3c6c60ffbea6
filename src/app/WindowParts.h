#ifndef ORVALIS_WINDOWPARTS_H
#define ORVALIS_WINDOWPARTS_H

class AnalysisDock;
class BasinMapper;
class Experiment;
class ModelEditor;
class OpenGL2d;
class OpenGL3d;
class Playback;
class SimulationTimers;
class SystemView;

// The parts of the window that talk to each other, and the one place where
// they are connected. The views and the panel ask; the editor and the
// experiment change the model; everything that shows the model follows their
// signals.
struct WindowParts
{
    Experiment* experiment = nullptr;
    ModelEditor* editor = nullptr;
    Playback* playback = nullptr;
    SimulationTimers* timers = nullptr;
    OpenGL2d* view2d = nullptr;
    OpenGL3d* view3d = nullptr;
    SystemView* panel = nullptr;
    BasinMapper* mapper = nullptr;
    AnalysisDock* analysis = nullptr;

    void wire() const;

private:
    void connectEdits() const;
    void connectPaths() const;
    void connectPlayback() const;
    void connectMaps() const;
};

#endif
