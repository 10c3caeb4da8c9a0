#include "audio/CQtAudioBackend.h"

#include "audio/CQtCaptureDevice.h"
#include "audio/CQtPlaybackDevice.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace brivex {

CQtAudioBackend::CQtAudioBackend() = default;

CQtAudioBackend::~CQtAudioBackend()
{
    if (!m_thread)
        return;
    Run([this] { m_context.reset(); });
    m_thread->quit();
    m_thread->wait();
}

bool CQtAudioBackend::EnsureThread(std::string& error)
{
    std::lock_guard lock(m_mutex);
    if (m_thread)
        return true;
    if (!QCoreApplication::instance()) {
        error = "no Qt application object";
        return false;
    }
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName("pcvoice-audio");
    m_context = std::make_unique<QObject>();
    m_context->moveToThread(m_thread.get());
    m_thread->start();
    return true;
}

void CQtAudioBackend::Run(const std::function<void()>& fn)
{
    if (!m_thread || QThread::currentThread() == m_thread.get()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(m_context.get(), fn, Qt::BlockingQueuedConnection);
}

std::unique_ptr<IAudioCaptureDevice> CQtAudioBackend::OpenCapture(int device, const CWaveFormat& format,
                                                                  IAudioCaptureDevice::BufferDone done,
                                                                  std::string& error)
{
    if (!(format == CWaveFormat::Voice())) {
        error = "only the voice format is recorded";
        return nullptr;
    }
    if (!EnsureThread(error))
        return nullptr;
    auto capture = std::make_unique<CQtCaptureDevice>(*this, std::move(done));
    bool ok = false;
    Run([&] { ok = capture->Create(device, error); });
    if (!ok)
        return nullptr;
    return capture;
}

std::unique_ptr<IAudioPlaybackDevice> CQtAudioBackend::OpenPlayback(const CWaveFormat& format, std::string& error)
{
    if (!(format == CWaveFormat::Voice())) {
        error = "only the voice format is played";
        return nullptr;
    }
    if (!EnsureThread(error))
        return nullptr;
    auto playback = std::make_unique<CQtPlaybackDevice>(*this);
    bool ok = false;
    Run([&] { ok = playback->Create(error); });
    if (!ok)
        return nullptr;
    return playback;
}

}  // namespace brivex
