"""Objective metrics for the benchmark (numpy/scipy only).

STOI follows Taal, Hendriks, Heusdens, Jensen, "An Algorithm for
Intelligibility Prediction of Time-Frequency Weighted Noisy Speech",
IEEE TASLP 19(7), 2011: 10 kHz, 256-sample Hann frames with 50 % overlap,
512-point FFT, 15 one-third-octave bands from 150 Hz, removal of silent
frames (40 dB range), 30-frame (384 ms) segments, normalisation and
clipping at beta = -15 dB SDR, mean correlation coefficient.
"""
import numpy as np
from scipy import signal

FS = 16000


# ---------------------------------------------------------------- STOI
_FS_STOI = 10000
_N_FRAME = 256
_NFFT = 512
_NUM_BANDS = 15
_MIN_FREQ = 150
_N_SEG = 30
_BETA = -15.0
_DYN_RANGE = 40


def _third_octave_matrix():
    f = np.linspace(0, _FS_STOI, _NFFT + 1)[:_NFFT // 2 + 1]
    k = np.arange(_NUM_BANDS)
    cf = _MIN_FREQ * 2.0 ** (k / 3)
    lo = _MIN_FREQ * 2.0 ** ((2 * k - 1) / 6)
    hi = _MIN_FREQ * 2.0 ** ((2 * k + 1) / 6)
    obm = np.zeros((_NUM_BANDS, len(f)))
    for i in range(_NUM_BANDS):
        a = np.argmin((f - lo[i]) ** 2)
        b = np.argmin((f - hi[i]) ** 2)
        obm[i, a:b] = 1
    return obm, cf


_OBM, _ = _third_octave_matrix()
_WIN = np.hanning(_N_FRAME + 2)[1:-1]


def _frames(x, hop=_N_FRAME // 2):
    n = 1 + (len(x) - _N_FRAME) // hop
    idx = np.arange(_N_FRAME)[None, :] + hop * np.arange(n)[:, None]
    return x[idx] * _WIN


def _remove_silent_frames(x, y):
    """Drop frames where the clean signal is >40 dB below its loudest frame,
    then rebuild both signals by overlap-add (as in Taal et al.)."""
    fx, fy = _frames(x), _frames(y)
    e = 20 * np.log10(np.linalg.norm(fx, axis=1) / np.sqrt(_N_FRAME) + np.finfo(float).eps)
    keep = e > e.max() - _DYN_RANGE
    fx, fy = fx[keep], fy[keep]
    hop = _N_FRAME // 2
    n = (len(fx) - 1) * hop + _N_FRAME
    xs, ys = np.zeros(n), np.zeros(n)
    # frames overlap by exactly half: add even and odd frames separately
    for par in (0, 1):
        sel = np.arange(par, len(fx), 2)
        if len(sel):
            pos = (sel[:, None] * hop + np.arange(_N_FRAME)[None, :]).ravel()
            np.add.at(xs, pos, fx[sel].ravel())
            np.add.at(ys, pos, fy[sel].ravel())
    return xs, ys


def _band_envelopes(x):
    spectrum = np.fft.rfft(_frames(x), n=_NFFT, axis=1)  # frames x bins
    return np.sqrt(_OBM @ (np.abs(spectrum) ** 2).T)  # bands x frames


def stoi(clean, proc, fs=FS):
    clean = np.asarray(clean, float)
    proc = np.asarray(proc, float)
    n = min(len(clean), len(proc))
    x = signal.resample_poly(clean[:n], _FS_STOI, fs)
    y = signal.resample_poly(proc[:n], _FS_STOI, fs)
    x, y = _remove_silent_frames(x, y)
    X, Y = _band_envelopes(x), _band_envelopes(y)
    m = X.shape[1]
    if m < _N_SEG:
        return float('nan')
    c = 10 ** (-_BETA / 20)
    # all 30-frame segments at once: (segments, bands, frames)
    idx = np.arange(_N_SEG)[None, :] + np.arange(m - _N_SEG + 1)[:, None]
    xs = np.transpose(X[:, idx], (1, 0, 2))
    ys = np.transpose(Y[:, idx], (1, 0, 2))
    alpha = np.linalg.norm(xs, axis=2, keepdims=True) / (np.linalg.norm(ys, axis=2, keepdims=True) + 1e-12)
    yp = np.minimum(alpha * ys, xs * (1 + c))
    xm = xs - xs.mean(axis=2, keepdims=True)
    ym = yp - yp.mean(axis=2, keepdims=True)
    num = (xm * ym).sum(axis=2)
    den = np.linalg.norm(xm, axis=2) * np.linalg.norm(ym, axis=2) + 1e-12
    return float(np.mean(num / den))


# ---------------------------------------------------------------- others
def si_sdr(ref, est):
    ref = np.asarray(ref, float)
    est = np.asarray(est, float)
    ref = ref - ref.mean()
    est = est - est.mean()
    a = np.dot(est, ref) / (np.dot(ref, ref) + 1e-12)
    t = a * ref
    e = est - t
    return 10 * np.log10((np.dot(t, t) + 1e-12) / (np.dot(e, e) + 1e-12))


def activity_mask(clean, frame=320, range_db=45.0):
    """Per-sample speech activity from clean 20 ms frame energies: active if
    within range_db of the loudest frame, with one frame of hangover."""
    n = len(clean) // frame
    e = (clean[:n * frame].reshape(n, frame) ** 2).mean(axis=1)
    act = e > e.max() * 10 ** (-range_db / 10)
    act = act | np.roll(act, 1) | np.roll(act, -1)
    m = np.zeros(len(clean), bool)
    m[:n * frame] = np.repeat(act, frame)
    return m


def pause_attenuation(noisy, proc, clean, skip_seconds=0.0):
    """Energy ratio (dB) of input vs output in speech pauses."""
    m = ~activity_mask(clean)
    m[:int(skip_seconds * FS)] = False
    ein = np.sum(noisy[m] ** 2)
    eout = np.sum(proc[m] ** 2)
    return 10 * np.log10((ein + 1e-3) / (eout + 1e-3))


def musical_noise(noisy, proc, clean, skip_seconds=1.0, nfft=512, hop=256):
    """Musical noise in speech pauses after skip_seconds: how much the
    residual's gain |P|^2/|X|^2 (dB, clipped to [-40, +10]) flickers from
    frame to frame in each bin, as its standard deviation over the pause
    frames, averaged over the bins. A steady attenuation scores 0; isolated
    tones that come and go in a suppressed floor score high. A gain is only
    defined where there is input: bin-frames below one LSB of white noise
    (digital silence between key clicks, a 16-bit file holds nothing
    weaker) are left out, else every click taken down would read as a
    40 dB flicker against the 0/0 "gain" of the silence around it."""
    _, _, X = signal.stft(noisy, nperseg=nfft, noverlap=nfft - hop, boundary=None, padded=False)
    _, _, P = signal.stft(proc, nperseg=nfft, noverlap=nfft - hop, boundary=None, padded=False)
    m = ~activity_mask(clean)
    m[:int(skip_seconds * FS)] = False
    centres = np.arange(X.shape[1]) * hop + nfft // 2
    pause = m[np.minimum(centres, len(m) - 1)] & m[np.minimum(centres - nfft // 2, len(m) - 1)] & \
        m[np.minimum(centres + nfft // 2 - 1, len(m) - 1)]
    if pause.sum() < 3:
        return float('nan')
    w = signal.get_window('hann', nfft)
    lsb = np.sum(w ** 2) / np.sum(w) ** 2  # |X|^2 of unit-variance white noise in this STFT
    px, pp = np.abs(X[2:-1, pause]) ** 2, np.abs(P[2:-1, pause]) ** 2
    g = np.clip(10 * np.log10((pp + 1e-6) / (px + 1e-6)), -40.0, 10.0)
    g = np.where(px >= lsb, g, np.nan)
    enough = np.sum(~np.isnan(g), axis=1) >= 3
    if not enough.any():
        return float('nan')
    return float(np.mean(np.nanstd(g[enough], axis=1)))


def lsd_speech(clean, proc, nfft=512, hop=256):
    """Log-spectral distance (dB) over frames where speech is active."""
    f, t, C = signal.stft(clean, nperseg=nfft, noverlap=nfft - hop, boundary=None, padded=False)
    _, _, P = signal.stft(proc, nperseg=nfft, noverlap=nfft - hop, boundary=None, padded=False)
    pc = np.abs(C) ** 2
    pp = np.abs(P) ** 2
    ef = pc.sum(axis=0)
    act = ef > ef.max() * 10 ** (-4.0)
    floor = pc.max() * 1e-10
    lc = 10 * np.log10(pc[:, act] + floor)
    lp = 10 * np.log10(pp[:, act] + floor)
    return float(np.mean(np.sqrt(np.mean((lc - lp) ** 2, axis=0))))


def estimate_delay(ref, out, max_lag=1200):
    """Lag (samples, out later than ref) maximising cross-correlation."""
    n = min(len(ref), len(out))
    r = ref[:n] - ref[:n].mean()
    o = out[:n] - out[:n].mean()
    nfft = 1 << int(np.ceil(np.log2(2 * n)))
    xc = np.fft.irfft(np.fft.rfft(o, nfft) * np.conj(np.fft.rfft(r, nfft)), nfft)
    lags = np.concatenate([xc[:max_lag + 1]])  # only causal lags
    return int(np.argmax(lags))
