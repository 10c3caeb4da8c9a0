#include "audio/CQtCaptureDevice.h"

#include "app/CDebugViews.h"
#include "audio/CQtAudioBackend.h"
#include "audio/CWaveFormat.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QByteArray>
#include <QIODevice>
#include <QMediaDevices>
#include <QObject>

namespace brivex {

namespace {

QAudioFormat VoiceFormat()
{
    QAudioFormat format;
    format.setSampleRate(static_cast<int>(CWaveFormat::Voice().samplesPerSec));
    format.setChannelCount(CWaveFormat::Voice().channels);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

}  // namespace

CQtCaptureDevice::CQtCaptureDevice(CQtAudioBackend& backend, BufferDone done)
    : m_backend(backend), m_queue(std::move(done))
{
}

CQtCaptureDevice::~CQtCaptureDevice()
{
    m_backend.Run([this] {
        StopSource();
        m_context.reset();  // deletes the source with it
    });
}

bool CQtCaptureDevice::Create(int device, std::string& error)
{
    // Device 0 is the desktop's default recording device.
    const auto inputs = QMediaDevices::audioInputs();
    QAudioDevice chosen = device == 0 ? QMediaDevices::defaultAudioInput() : QAudioDevice();
    if (chosen.isNull() && device >= 0 && device < inputs.size())
        chosen = inputs.at(device);
    if (chosen.isNull()) {
        error = "no recording device (is an audio server running?)";
        return false;
    }
    const QAudioFormat format = VoiceFormat();
    if (!chosen.isFormatSupported(format)) {
        error = "the recording device does not take 8000 Hz mono 16-bit";
        return false;
    }
    m_context = std::make_unique<QObject>();
    m_source = new QAudioSource(chosen, format, m_context.get());
    m_source->setBufferSize(static_cast<qsizetype>(kDeviceBufferFrames * CWaveFormat::kFrameBytes));
    return true;
}

bool CQtCaptureDevice::AddBuffer(int index, std::uint8_t* data, std::size_t size)
{
    return m_queue.Add(index, data, size);
}

bool CQtCaptureDevice::Start()
{
    bool ok = false;
    m_backend.Run([&] {
        if (!m_source)
            return;
        m_io = m_source->start();
        if (!m_io || m_source->error() != QAudio::NoError) {
            BX_LOG(LEVEL_ERR, "PC voice: the recording device failed to start (error %d)",
                   static_cast<int>(m_source->error()));
            m_io = nullptr;
            return;
        }
        QObject::connect(m_io, &QIODevice::readyRead, m_context.get(), [this] { Drain(); });
        QObject::connect(m_source, &QAudioSource::stateChanged, m_context.get(), [this](QAudio::State state) {
            if (state == QAudio::StoppedState && m_source->error() != QAudio::NoError)
                BX_LOG(LEVEL_ERR, "PC voice: recording stopped (error %d)", static_cast<int>(m_source->error()));
        });
        ok = true;
    });
    return ok;
}

void CQtCaptureDevice::Drain()
{
    if (!m_io)
        return;
    const QByteArray data = m_io->readAll();
    m_queue.Feed(reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size()));
}

void CQtCaptureDevice::StopSource()
{
    if (m_io)
        QObject::disconnect(m_io, nullptr, m_context.get(), nullptr);
    m_io = nullptr;
    if (m_source)
        m_source->stop();
}

void CQtCaptureDevice::Reset()
{
    m_backend.Run([this] {
        StopSource();
        m_queue.Clear();
    });
}

}  // namespace brivex
