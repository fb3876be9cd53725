#include "soundlib/output/win32/waveout_platform.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "soundlib/output/block_output.h"
#include "soundlib/output/capture_output.h"
#include "soundlib/plugin_abi.h"
#include "soundlib/soundlib_api.h"

namespace soundlib {

namespace {

// Asks the wave mapper which device it prefers (the system's default).
constexpr UINT kMapperPreferredGet = 0x2000 + 21;

// A wave-out device with a ring of prepared blocks; it signals an event as
// each block comes back.
class WaveDevice final : public BlockDevice {
 public:
  // Opened paused at `rate`, or at 44.1 or 48 kHz when the device refuses
  // it; blocks of `periodMs`, as many as fill `bufferMs`.
  static std::unique_ptr<WaveDevice> create(UINT device, uint32_t& rate, const OutputConfig& config,
                                            int& error) {
    std::unique_ptr<WaveDevice> d(new WaveDevice(device));
    d->event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!d->event_) {
      error = SL_ERROR_DRIVER;
      return nullptr;
    }
    const size_t count = std::clamp<size_t>(config.bufferMs / std::max<uint32_t>(1, config.periodMs), 2, 32);
    MMRESULT res = MMSYSERR_ERROR;
    for (uint32_t tryRate : {rate, 44100u, 48000u}) {
      d->rate_ = tryRate;
      d->frames_ = std::max<size_t>(64, static_cast<size_t>(tryRate) * config.periodMs / 1000);
      d->buffers_.assign(count, std::vector<int16_t>(d->frames_ * 2));
      d->headers_.resize(count);
      if ((res = d->openAt(true)) == MMSYSERR_NOERROR) break;
    }
    if (res != MMSYSERR_NOERROR) {
      error = res == MMSYSERR_BADDEVICEID || res == MMSYSERR_NODRIVER ? SL_ERROR_DEVICE : SL_ERROR_DRIVER;
      return nullptr;
    }
    rate = d->rate_;
    return d;
  }

  ~WaveDevice() override {
    close();
    if (event_) CloseHandle(event_);
  }

  size_t frames() const { return frames_; }
  size_t blocks() const override { return headers_.size(); }
  int16_t* block(size_t i) override { return buffers_[i].data(); }
  bool open(bool paused) override { return openAt(paused) == MMSYSERR_NOERROR; }

  void close() override {
    if (!wave_) return;
    waveOutReset(wave_);
    for (WAVEHDR& h : headers_)
      if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(wave_, &h, sizeof h);
    waveOutClose(wave_);
    wave_ = nullptr;
  }

  void write(size_t i) override { waveOutWrite(wave_, &headers_[i], sizeof(WAVEHDR)); }
  bool done(size_t i) override { return *static_cast<volatile DWORD*>(&headers_[i].dwFlags) & WHDR_DONE; }
  void pause() override { waveOutPause(wave_); }
  bool restart() override { return waveOutRestart(wave_) == MMSYSERR_NOERROR; }
  void wait(uint32_t ms) override { WaitForSingleObject(event_, ms == kForever ? INFINITE : ms); }
  void signal() override { SetEvent(event_); }

 private:
  explicit WaveDevice(UINT device) : device_(device) {}

  MMRESULT openAt(bool paused) {
    WAVEFORMATEX wf{};
    wf.wFormatTag = WAVE_FORMAT_PCM;
    wf.nChannels = 2;
    wf.nSamplesPerSec = rate_;
    wf.wBitsPerSample = 16;
    wf.nBlockAlign = 4;
    wf.nAvgBytesPerSec = rate_ * 4;
    MMRESULT res = waveOutOpen(&wave_, device_, &wf, reinterpret_cast<DWORD_PTR>(event_), 0, CALLBACK_EVENT);
    if (res != MMSYSERR_NOERROR) {
      wave_ = nullptr;
      return res;
    }
    if (paused) waveOutPause(wave_);  // nothing plays until started
    for (size_t i = 0; i < headers_.size() && res == MMSYSERR_NOERROR; ++i) {
      WAVEHDR& h = headers_[i];
      h = WAVEHDR{};
      h.lpData = reinterpret_cast<LPSTR>(buffers_[i].data());
      h.dwBufferLength = static_cast<DWORD>(buffers_[i].size() * 2);
      res = waveOutPrepareHeader(wave_, &h, sizeof h);
    }
    if (res != MMSYSERR_NOERROR) close();
    return res;
  }

  const UINT device_;
  uint32_t rate_ = 0;
  size_t frames_ = 0;
  HWAVEOUT wave_ = nullptr;
  HANDLE event_ = nullptr;
  std::vector<std::vector<int16_t>> buffers_;
  std::vector<WAVEHDR> headers_;
};

}  // namespace

WaveOutPlatform::WaveOutPlatform() {
  if (const wchar_t* file = _wgetenv(L"SOUNDLIB_CAPTURE")) capture_ = file;
}

std::vector<DeviceDesc> WaveOutPlatform::listDevices() {
  if (!capture_.empty()) return {{"Capture to file", "capture", true}};
  std::vector<DeviceDesc> list;
  const UINT n = waveOutGetNumDevs();
  DWORD preferred = 0, status = 0;
  if (waveOutMessage(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(WAVE_MAPPER)), kMapperPreferredGet,
                     reinterpret_cast<DWORD_PTR>(&preferred),
                     reinterpret_cast<DWORD_PTR>(&status)) != MMSYSERR_NOERROR ||
      preferred >= n)
    preferred = 0;
  for (UINT i = 0; i < n; ++i) {
    DeviceDesc d;
    WAVEOUTCAPSA caps{};
    if (waveOutGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR) {
      caps.szPname[MAXPNAMELEN - 1] = '\0';
      d.name = caps.szPname;
    }
    d.driver = "wave-out";
    d.isDefault = i == preferred;
    list.push_back(std::move(d));
  }
  return list;
}

std::unique_ptr<Output> WaveOutPlatform::openOutput(int index, uint32_t& rate, const OutputConfig& config,
                                                    Renderer& renderer, int& error) {
  if (!capture_.empty())
    return OpenCaptureOutput(_wfopen(capture_.c_str(), L"wb"), rate, config, renderer, error);
  auto device = WaveDevice::create(index < 0 ? WAVE_MAPPER : static_cast<UINT>(index), rate, config, error);
  if (!device) return nullptr;
  const size_t frames = device->frames();
  return std::make_unique<BlockOutput>(std::move(device), renderer, frames,
                                       std::max<uint32_t>(1, config.periodMs));
}

std::FILE* WaveOutPlatform::openFile(const void* path, bool wide) {
  if (wide) return _wfopen(static_cast<const wchar_t*>(path), L"rb");
  return std::fopen(static_cast<const char*>(path), "rb");
}

void* WaveOutPlatform::loadPlugin(const void* path, bool wide, const SlPluginInfo*& info, int& error) {
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE m =
      wide ? LoadLibraryW(static_cast<const wchar_t*>(path)) : LoadLibraryA(static_cast<const char*>(path));
  SetErrorMode(oldMode);
  if (!m) {
    error = GetLastError() == ERROR_BAD_EXE_FORMAT ? SL_ERROR_FILEFORM : SL_ERROR_FILEOPEN;
    return nullptr;
  }
  auto entry = reinterpret_cast<SlPluginInfoFn>(reinterpret_cast<void*>(GetProcAddress(m, kSlPluginEntry)));
  if (!entry) {
    FreeLibrary(m);
    error = SL_ERROR_FILEFORM;
    return nullptr;
  }
  info = entry();
  return m;
}

void WaveOutPlatform::freePlugin(void* module) {
  FreeLibrary(static_cast<HMODULE>(module));
}

}  // namespace soundlib
