#include "audio/CQtPlaybackDevice.h"

#include "app/CDebugViews.h"
#include "audio/CQtAudioBackend.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QMetaObject>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <array>

namespace brivex {

CQtPlaybackDevice::CQtPlaybackDevice(CQtAudioBackend& backend) : m_backend(backend) {}

CQtPlaybackDevice::~CQtPlaybackDevice()
{
    m_backend.Run([this] {
        if (m_sink)
            m_sink->stop();
        m_io = nullptr;
        m_context.reset();
    });
}

bool CQtPlaybackDevice::Create(std::string& error)
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        error = "no playback device (is an audio server running?)";
        return false;
    }
    QAudioFormat format;
    format.setSampleRate(static_cast<int>(m_source.Format().samplesPerSec));
    format.setChannelCount(m_source.Format().channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
        error = "the playback device does not take 8000 Hz mono 16-bit";
        return false;
    }
    m_context = std::make_unique<QObject>();
    m_sink = new QAudioSink(device, format, m_context.get());
    m_sink->setBufferSize(static_cast<qsizetype>(kDeviceBufferFrames * CWaveFormat::kFrameBytes));
    m_io = m_sink->start();
    if (!m_io || m_sink->error() != QAudio::NoError) {
        error = "the playback device failed to start (error " + std::to_string(static_cast<int>(m_sink->error())) + ")";
        m_io = nullptr;
        return false;
    }
    m_timer = new QTimer(m_context.get());
    m_timer->setInterval(kDrainMs);
    QObject::connect(m_timer, &QTimer::timeout, m_context.get(), [this] { Drain(); });
    m_timer->start();
    return true;
}

bool CQtPlaybackDevice::Push(const std::uint8_t* data, std::size_t length, bool discontinuity)
{
    if (!m_source.Push(data, length, 0, discontinuity))
        return false;
    if (!m_drainQueued.exchange(true))
        QMetaObject::invokeMethod(m_context.get(), [this] { Drain(); }, Qt::QueuedConnection);
    return true;
}

void CQtPlaybackDevice::Drain()
{
    m_drainQueued = false;
    if (!m_io || !m_sink)
        return;
    std::array<std::uint8_t, CPushSource::kWorkBufferBytes> chunk{};
    const auto room = static_cast<std::size_t>(std::max<qsizetype>(0, m_sink->bytesFree()));
    // Whole frames only, so a sink short of room never splits one.
    const std::size_t want = std::min(room, chunk.size()) / CWaveFormat::kFrameBytes * CWaveFormat::kFrameBytes;
    const std::size_t n = m_source.Take(chunk.data(), want);
    if (n > 0)
        m_io->write(reinterpret_cast<const char*>(chunk.data()), static_cast<qint64>(n));
}

void CQtPlaybackDevice::SetVolume(double volume)
{
    m_backend.Run([this, volume] {
        if (m_sink)
            m_sink->setVolume(volume);
    });
}

}  // namespace brivex
