#!/usr/bin/python3
"""Trains the learned gain estimator of hsh/GainNet and writes its weights
as C++ arrays (hsh/GainNetWeights.cpp) and a reference input/output for the
native test (tests/native/GainNetReference.inc). Reproducible: fixed seeds,
one thread, data from make_training.py and the ns_features driver.

The estimator sees per 5 ms hop the features the suppressor computes (see
MakeFeatures in hsh/NoiseSuppressor.cpp) and returns per-band factors r in
(0,1) that multiply the statistical gain. The target is the ideal band gain
sqrt(E_clean / E_noisy) of the same analysis frame; the loss compares the
final band gain (statistical gain x r) with it, on square roots as RNNoise
does, and counts taking away too much four times (speech kept first).
Then the voice activity of the frame (clean frame energy within
45 dB of the mixture's loudest, as the benchmark's pause mask counts it),
learnt by cross-entropy beside the gains; its first PAUSE_START_SEC of each
pause counts PAUSE_START_WEIGHT times (a lingering "voice" at the end of a
word keeps the residual up for the first 100-250 ms of a pause; 1 counts it
like any other hop, 4 was tried too, see the benchmark's README). Last, a
floor per band (the suppressor keeps no band of a voiced hop below it),
learnt against the same ideal band gain with a floor that keeps noise
counting four times (FLOOR_WEIGHT beside the other losses). And the band
envelope term (--env-weight W, 1 for the committed weights, 0 turns it off):
W x one minus the correlation of what is kept (the final band gain or the
floor, whichever is higher, times the noisy band) with the clean band over
STOI's 384 ms, in the windows the voice holds, since intelligibility is
carried by each band's envelope (a gain that follows the noise's own swings
in a band where the voice is weak keeps the level right and the envelope
wrong; what it gave is in the benchmark's README).

Usage: nice -n 10 train_gain_net.py [--epochs N] [--schedule N] [--minutes M] [--env-weight W]
  (36 epochs of a 40-epoch decay: about 40 minutes here)
"""
import argparse
import csv
import os
import shutil
import subprocess
import sys
import time

import numpy as np
import torch

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from paths import BUILD, REPO, WORK  # noqa: E402

FS, HOP, FFT, BINS = 16000, 80, 256, 129
EDGES = [0, 2, 4, 6, 8, 10, 12, 14, 16, 20, 24, 28, 32, 40, 48, 56, 68, 80, 96, 112, 128]
NB, NF, ND, NH = 21, 66, 48, 96
NO = 2 * NB + 1  # band factors, the voice activity, band floors
NP = NB + 1  # after the features in ns_features' rows: periodicity per band, the pitch's
FLOOR_WEIGHT = 0.5
VAD_RANGE_DB = 45.0
VAD_WEIGHT = 0.5
PAUSE_START_SEC = 0.3
PAUSE_START_WEIGHT = 2.0
INIT_HOPS = 12
ENV_WEIGHT = 1.0  # --env-weight
ENV_HOPS, ENV_STRIDE, ENV_BANDS = 77, 8, 17
CHUNK = 400
TRAIN = os.path.join(WORK, 'train')


def band_matrix():
    m = np.zeros((BINS, NB))
    for b in range(NB - 1):
        w = EDGES[b + 1] - EDGES[b]
        for j in range(w):
            f = j / w
            m[EDGES[b] + j, b] += 1 - f
            m[EDGES[b] + j, b + 1] += f
    m[BINS - 1, NB - 1] += 1
    return m


def analysis_window():
    rise, d = FFT - HOP, FFT - 2 * HOP
    n = np.arange(FFT)
    return np.where(n < rise, np.sin(np.pi * n / (2 * rise)), np.sin(np.pi * (n - d) / (2 * HOP)))


def band_energies(x, hops):
    """Band energies of every hop's analysis frame, as the suppressor frames it."""
    xp = np.concatenate([np.zeros(FFT - HOP), x])
    idx = np.arange(hops)[:, None] * HOP + np.arange(FFT)[None, :]
    bins = np.fft.rfft(xp[idx] * analysis_window(), axis=1)
    return (np.abs(bins) ** 2) @ band_matrix()


def load(rows, periodicity=False):
    """Per mixture (inputs, targets, weights); the inputs are the features, and with
    periodicity also each band's periodicity at the pitch (the absence estimator's)."""
    drv = os.path.join(BUILD, 'ns_features')
    lst = os.path.join(TRAIN, 'features.txt')
    with open(lst, 'w') as f:
        for r in rows:
            f.write(f"{os.path.join(TRAIN, 'noisy', r['name'] + '.raw')} {os.path.join(TRAIN, 'feat', r['name'] + '.f32')}\n")
    os.makedirs(os.path.join(TRAIN, 'feat'), exist_ok=True)
    subprocess.run([drv, lst], check=True)
    data = []
    for r in rows:
        feat = np.fromfile(os.path.join(TRAIN, 'feat', r['name'] + '.f32'), dtype='<f4').reshape(-1, NF + NP)
        feat = feat if periodicity else feat[:, :NF]
        clean = np.fromfile(os.path.join(TRAIN, 'clean', r['name'] + '.raw'), dtype='<i2').astype(np.float64)
        noisy = np.fromfile(os.path.join(TRAIN, 'noisy', r['name'] + '.raw'), dtype='<i2').astype(np.float64)
        hops = feat.shape[0]
        ec, en = band_energies(clean, hops), band_energies(noisy, hops)
        target = np.sqrt(np.clip((ec + 1e-3) / (en + 1e-3), 0, 1))
        frame = ec.sum(axis=1)
        vad = (frame > frame.max() * 10 ** (-VAD_RANGE_DB / 10)).astype(np.float64)
        target = np.concatenate([target, vad[:, None], np.sqrt(en)], axis=1)
        valid = (en > 100.0).astype(np.float64)  # digital silence carries no target
        valid = np.concatenate([valid, valid.max(axis=1, keepdims=True) * pause_start_weight(vad)[:, None]], axis=1)
        valid[:INIT_HOPS] = 0
        data.append((feat[INIT_HOPS:], target[INIT_HOPS:], valid[INIT_HOPS:]))
    return data


def pause_start_weight(vad):
    """Per hop: PAUSE_START_WEIGHT in the first PAUSE_START_SEC after voice ends, else 1."""
    w = np.ones(len(vad))
    since = None
    for i, a in enumerate(vad):
        since = 0 if a > 0 else (None if since is None else since + 1)
        if since and since * HOP <= PAUSE_START_SEC * FS:
            w[i] = PAUSE_START_WEIGHT
    return w


def chunks(data):
    xs, ts, vs = [], [], []
    for f, t, v in data:
        for s in range(0, len(f) - CHUNK // 2, CHUNK):
            e = min(len(f), s + CHUNK)
            pad = CHUNK - (e - s)
            xs.append(np.pad(f[s:e], ((0, pad), (0, 0))))
            ts.append(np.pad(t[s:e], ((0, pad), (0, 0))))
            vs.append(np.pad(v[s:e], ((0, pad), (0, 0))))
    return (torch.tensor(np.array(xs), dtype=torch.float32), torch.tensor(np.array(ts), dtype=torch.float32),
            torch.tensor(np.array(vs), dtype=torch.float32))


class GainNet(torch.nn.Module):
    def __init__(self, mean, std):
        super().__init__()
        self.register_buffer('mean', torch.tensor(mean, dtype=torch.float32))
        self.register_buffer('std', torch.tensor(std, dtype=torch.float32))
        self.inp = torch.nn.Linear(NF, ND)
        self.gru = torch.nn.GRU(ND, NH, batch_first=True)
        self.out = torch.nn.Linear(NH, NO)
        torch.nn.init.constant_(self.out.bias, 3.0)  # start near "leave the gain alone"
        with torch.no_grad():
            self.out.bias[NB + 1:] = -2.0  # ... and with no floor

    def forward(self, x):
        d = torch.tanh(self.inp((x - self.mean) / self.std))
        h, _ = self.gru(d)
        return torch.sigmoid(self.out(h))


def envelope_loss(kept, t, v):
    """1 - the correlation of the kept and the clean band envelopes over
    ENV_HOPS (STOI's 384 ms), per band up to 4.25 kHz, in windows the voice
    holds: the gain should follow the voice, not the noise's own swings."""
    amp = t[:, :, NB + 1:NB + 1 + ENV_BANDS]
    x = (t[:, :, 1:ENV_BANDS] * amp[:, :, 1:]).unfold(1, ENV_HOPS, ENV_STRIDE)
    y = (kept[:, :, 1:ENV_BANDS] * amp[:, :, 1:]).unfold(1, ENV_HOPS, ENV_STRIDE)
    xm, ym = x - x.mean(-1, keepdim=True), y - y.mean(-1, keepdim=True)
    corr = (xm * ym).sum(-1) / torch.sqrt((xm * xm).sum(-1) * (ym * ym).sum(-1) + 1.0)
    w = (t[:, :, NB].unfold(1, ENV_HOPS, ENV_STRIDE).mean(-1) > 0.3).float()
    w = w * (v[:, :, NB].unfold(1, ENV_HOPS, ENV_STRIDE).min(-1).values > 0).float()
    return ((1.0 - corr) * w[..., None]).sum() / (w.sum() * (ENV_BANDS - 1) + 1e-6)


def loss_fn(model, x, t, v):
    y = model(x)
    r, vad = y[:, :, :NB], torch.clamp(y[:, :, NB], 1e-6, 1 - 1e-6)
    tb, vb = t[:, :, :NB], v[:, :, :NB]
    g_stat = torch.pow(10.0, x[:, :, 2 * NB:3 * NB])
    g = torch.clamp(g_stat * r, 1e-6, 1.0)
    e = torch.sqrt(g) - torch.sqrt(tb)
    w = vb * (1.0 + 3.0 * (e < 0).float())  # too much taken away counts four times
    gains = (w * (e * e + 10.0 * e ** 4)).sum() / vb.sum()
    tv, vv = t[:, :, NB], v[:, :, NB]
    bce = -(vv * (tv * torch.log(vad) + (1 - tv) * torch.log(1 - vad))).sum() / (vv > 0).float().sum()
    ef = torch.sqrt(y[:, :, NB + 1:]) - torch.sqrt(tb)
    wf = vb * (1.0 + 3.0 * (ef > 0).float())  # a floor that keeps noise counts four times
    floor = (wf * (ef * ef + 10.0 * ef ** 4)).sum() / vb.sum()
    loss = gains + VAD_WEIGHT * bce + FLOOR_WEIGHT * floor
    if ENV_WEIGHT > 0.0:
        loss = loss + ENV_WEIGHT * envelope_loss(torch.maximum(g, y[:, :, NB + 1:]), t, v)
    return loss


def c_float(x):
    s = f'{float(x):.9g}'
    return s + ('f' if ('.' in s or 'e' in s) else '.0f')


def c_array(name, a):
    vals = ', '.join(c_float(x) for x in np.asarray(a, dtype=np.float32).ravel())
    return f'const float {name}[{np.asarray(a).size}] = {{{vals}}};\n'


def weights_cpp(model, script, accessor):
    """C++ source of a dense -> GRU -> dense estimator's weights (GainNetWeights, input-major)."""
    sd = {k: v.detach().numpy().astype(np.float32) for k, v in model.state_dict().items()}
    arrays = [('kMean', sd['mean']), ('kStd', sd['std']), ('kInW', sd['inp.weight'].T), ('kInB', sd['inp.bias']),
              ('kGruWx', sd['gru.weight_ih_l0'].T), ('kGruWh', sd['gru.weight_hh_l0'].T),
              ('kGruBx', sd['gru.bias_ih_l0']), ('kGruBh', sd['gru.bias_hh_l0']),
              ('kOutW', sd['out.weight'].T), ('kOutB', sd['out.bias'])]
    s = (f'// Generated by bench/suppressor/{script}: do not edit.\n'
         '#include "GainNet.h"\n\nnamespace {\n\n')
    s += ''.join(c_array(n, a) for n, a in arrays)
    s += ('\nconst GainNetWeights kModel = {kMean, kStd, kInW, kInB, kGruWx, kGruWh, kGruBx, kGruBh, kOutW, kOutB};\n\n'
          f'}} // namespace\n\nconst GainNetWeights& {accessor}() {{\n    return kModel;\n}}\n')
    return s


def write_estimator(model, script, accessor, weights, reference, prefix, ref_x, ref_y, output_of):
    """An estimator's weights (hsh/<weights>) and its native test's reference (tests/native/<reference>):
    prefix+Hops, prefix+Input and prefix+Output, output_of naming whose output it is."""
    weights, reference = os.path.join(REPO, 'hsh', weights), os.path.join(REPO, 'tests', 'native', reference)
    with open(weights, 'w') as f:
        f.write(weights_cpp(model, script, accessor))
    with open(reference, 'w') as f:
        f.write(f'// Generated by bench/suppressor/{script}: a fixed input of the gain\n'
                f'// estimator (hops of a validation mixture) and {output_of}\'s output.\n')
        f.write(f'constexpr int {prefix}Hops = {len(ref_x)};\n')
        f.write(c_array(f'{prefix}Input', ref_x).replace('const float', 'constexpr float'))
        f.write(c_array(f'{prefix}Output', ref_y).replace('const float', 'constexpr float'))
    # in the repository's format, so a retrain's diff shows only the numbers
    if shutil.which('clang-format'):
        subprocess.run(['clang-format', '-i', weights, reference], check=True)


def export(model, ref_x):
    with torch.no_grad():
        ref_y = model(torch.tensor(ref_x[None], dtype=torch.float32))[0].numpy()
    write_estimator(model, 'train_gain_net.py', 'GainNetModel', 'GainNetWeights.cpp', 'GainNetReference.inc', 'kRef',
                    ref_x, ref_y, 'the training script')


def main():
    global ENV_WEIGHT
    ap = argparse.ArgumentParser()
    # a fixed number of epochs, so the weights do not depend on the machine's speed or load
    ap.add_argument('--epochs', type=int, default=36, help='epochs run')
    ap.add_argument('--schedule', type=int, default=40, help='epochs the learning rate decays over (cosine)')
    ap.add_argument('--minutes', type=float, default=None, help='stop early after this long (not reproducible)')
    ap.add_argument('--env-weight', type=float, default=ENV_WEIGHT, help='weight of the band envelope loss (0: off)')
    a = ap.parse_args()
    ENV_WEIGHT = a.env_weight
    torch.set_num_threads(1)
    torch.manual_seed(1)
    np.random.seed(1)
    with open(os.path.join(TRAIN, 'train.csv')) as f:
        rows = list(csv.DictReader(f))
    tr = load([r for r in rows if r['split'] == 'train'])
    va = load([r for r in rows if r['split'] == 'val'])
    allf = np.concatenate([f[v[:, 0] > 0] for f, _, v in tr])
    mean, std = allf.mean(axis=0), np.maximum(allf.std(axis=0), 1e-3)
    xt, tt, vt = chunks(tr)
    xv, tv, vv = chunks(va)
    print(f'train chunks {len(xt)}, val chunks {len(xv)}', file=sys.stderr)
    model = GainNet(mean, std)
    opt = torch.optim.Adam(model.parameters(), lr=2e-3)
    sched = torch.optim.lr_scheduler.CosineAnnealingLR(opt, a.schedule)
    gen = torch.Generator().manual_seed(2)
    start, best, best_state = time.time(), 1e9, None
    for ep in range(a.epochs):
        model.train()
        perm = torch.randperm(len(xt), generator=gen)
        tot = 0.0
        for i in range(0, len(xt), 32):
            b = perm[i:i + 32]
            opt.zero_grad()
            loss = loss_fn(model, xt[b], tt[b], vt[b])
            loss.backward()
            torch.nn.utils.clip_grad_norm_(model.parameters(), 1.0)
            opt.step()
            tot += loss.item() * len(b)
        sched.step()
        model.eval()
        with torch.no_grad():
            lv = loss_fn(model, xv, tv, vv).item()
        if lv < best:
            best, best_state = lv, {k: v.clone() for k, v in model.state_dict().items()}
        print(f'epoch {ep} train {tot / len(xt):.5f} val {lv:.5f} ({time.time() - start:.0f} s)', file=sys.stderr)
        if a.minutes is not None and time.time() - start > a.minutes * 60:
            break
    model.load_state_dict(best_state)
    ref = va[0][0][100:124]  # 24 hops of the first validation mixture
    export(model, ref)
    print(f'best val {best:.5f}; weights written', file=sys.stderr)


if __name__ == '__main__':
    main()
