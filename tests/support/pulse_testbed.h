#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace lumenor::test {

// Two channels of float samples recorded from the null sink's monitor.
struct Recording {
    std::vector<float> left;
    std::vector<float> right;
};

// A private PulseAudio daemon with one null sink (44100 Hz, 2 channels, float) as its default
// output, in a temporary runtime folder. It dies with the test process and is stopped and its
// files removed when the object goes.
class PulseTestbed {
  public:
    static std::unique_ptr<PulseTestbed> start(QString* error);
    ~PulseTestbed();
    PulseTestbed(const PulseTestbed&) = delete;
    PulseTestbed& operator=(const PulseTestbed&) = delete;

    // The system environment pointed at this server.
    QProcessEnvironment environment() const;
    QString serverAddress() const;
    // The null sink's monitor source.
    static QString monitorName();

    // Starts recording the sink's monitor with parec; stopRecording ends it and returns the
    // samples.
    bool startRecording();
    Recording stopRecording();

  private:
    PulseTestbed() = default;

    QTemporaryDir dir_;
    QProcess daemon_;
    QProcess recorder_;
};

}  // namespace lumenor::test
