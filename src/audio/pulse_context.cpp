#include "audio/pulse_context.h"

#include <pulse/pulseaudio.h>

namespace lumenor {

namespace {

void wake(void* loop) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

}  // namespace

PulseContext::Lock::Lock(const PulseContext& pulse) : loop_(pulse.loop_) {
    pa_threaded_mainloop_lock(loop_);
}

PulseContext::Lock::~Lock() {
    pa_threaded_mainloop_unlock(loop_);
}

std::unique_ptr<PulseContext> PulseContext::connect(const char* server, const char* name,
                                                    QString* error) {
    std::unique_ptr<PulseContext> pulse(new PulseContext());
    pulse->loop_ = pa_threaded_mainloop_new();
    if (pulse->loop_ == nullptr) {
        *error = QStringLiteral("cannot make a PulseAudio main loop");
        return nullptr;
    }
    pulse->context_ = pa_context_new(pa_threaded_mainloop_get_api(pulse->loop_), name);
    if (pulse->context_ == nullptr) {
        *error = QStringLiteral("cannot make a PulseAudio context");
        return nullptr;
    }
    pa_context_set_state_callback(
        pulse->context_, [](pa_context*, void* loop) { wake(loop); }, pulse->loop_);
    bool ready =
        pa_context_connect(pulse->context_, server, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0 &&
        pa_threaded_mainloop_start(pulse->loop_) >= 0;
    if (ready) {
        const Lock lock(*pulse);
        ready = pulse->waitUntilConnected();
    }
    if (!ready) {
        *error = pulse->lastError();
        return nullptr;
    }
    return pulse;
}

PulseContext::~PulseContext() {
    if (loop_ == nullptr) {
        return;
    }
    if (context_ != nullptr) {
        const Lock lock(*this);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

QString PulseContext::lastError() const {
    return QString::fromUtf8(pa_strerror(pa_context_errno(context_)));
}

bool PulseContext::waitUntilConnected() {
    while (true) {
        const pa_context_state_t state = pa_context_get_state(context_);
        if (state == PA_CONTEXT_READY) {
            return true;
        }
        if (!PA_CONTEXT_IS_GOOD(state)) {
            return false;
        }
        pa_threaded_mainloop_wait(loop_);
    }
}

pa_stream* PulseContext::newStream(const char* name, const pa_sample_spec& spec) {
    pa_stream* stream = pa_stream_new(context_, name, &spec, nullptr);
    if (stream != nullptr) {
        pa_stream_set_state_callback(
            stream, [](pa_stream*, void* loop) { wake(loop); }, loop_);
    }
    return stream;
}

bool PulseContext::waitUntilReady(pa_stream* stream) {
    while (PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) {
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_READY) {
            return true;
        }
        if (!PA_STREAM_IS_GOOD(state)) {
            return false;
        }
        pa_threaded_mainloop_wait(loop_);
    }
    return false;
}

void PulseContext::closeStream(pa_stream* stream) {
    const Lock lock(*this);
    // A disconnect takes effect when the server answers; until then the stream would still
    // call its owner, which is letting go.
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

}  // namespace lumenor
