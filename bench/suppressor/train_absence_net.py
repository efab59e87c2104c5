#!/usr/bin/python3
"""Trains the absence estimator of hsh/GainNet (AbsenceNetRun) and writes its
weights as C++ arrays (hsh/AbsenceNetWeights.cpp) and a reference input/output
for the native test (tests/native/AbsenceNetReference.inc). Reproducible:
fixed seeds, one thread, the mixtures of make_training.py, the features of the
ns_features driver and the committed gain estimator (read back from
hsh/GainNetWeights.cpp, so retrain this after train_gain_net.py).

Per 5 ms hop and band it learns, by cross-entropy, whether the voice is
absent from the band: its clean power ABSENT_DB or more below the mixture's.
Only speech frames count (clean frame energy within VAD_RANGE_DB of the
mixture's loudest): in pauses the suppressor's pause stages decide. Its input
is the gain estimator's (the band features), that estimator's recurrent state
and its outputs, and each band's periodicity at the pitch (ns_features).

It also learns the band envelope term of train_gain_net.py, on the gain
the suppressor keeps with the cut applied (--env-weight W, 1 for the
committed weights, 0 turns it off).

Usage: nice -n 10 train_absence_net.py [--epochs N] [--env-weight W]   (about 20 minutes here)
"""
import argparse
import csv
import os
import re
import sys
import time

import numpy as np
import torch

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import train_gain_net as G  # noqa: E402
from paths import REPO  # noqa: E402

ABSENT_DB = -10.0


def suppressor_constant(name):
    """A constant as hsh/NoiseSuppressor.cpp sets it, so the cut trained on is the cut shipped."""
    src = open(os.path.join(REPO, 'hsh', 'NoiseSuppressor.cpp')).read()
    return float(re.search(re.escape(name) + r'\s*=\s*(-?[\d.]+)f;', src).group(1))


# the suppressor's cut of a band found absent
CUT_ABOVE, CUT_RAMP, CUT_DB = (suppressor_constant(n) for n in ('p->absentAbove', 'kAbsentRamp', 'p->absentDb'))
ND, NH = 32, 48


def gain_net():
    """The committed gain estimator, as the suppressor runs it."""
    src = open(os.path.join(REPO, 'hsh', 'GainNetWeights.cpp')).read()

    def arr(name, *shape):
        m = re.search(r'const float %s\[\d+\] = \{(.*?)\};' % name, src, re.S)
        vals = [float(v.strip().rstrip('f')) for v in m.group(1).split(',') if v.strip()]
        return torch.tensor(np.array(vals, dtype=np.float32).reshape(shape))

    net = G.GainNet(arr('kMean', G.NF).numpy(), arr('kStd', G.NF).numpy())
    sd = net.state_dict()
    sd['inp.weight'], sd['inp.bias'] = arr('kInW', G.NF, G.ND).T, arr('kInB', G.ND)
    sd['gru.weight_ih_l0'], sd['gru.weight_hh_l0'] = arr('kGruWx', G.ND, 3 * G.NH).T, arr('kGruWh', G.NH, 3 * G.NH).T
    sd['gru.bias_ih_l0'], sd['gru.bias_hh_l0'] = arr('kGruBx', 3 * G.NH), arr('kGruBh', 3 * G.NH)
    sd['out.weight'], sd['out.bias'] = arr('kOutW', G.NH, G.NO).T, arr('kOutB', G.NO)
    net.load_state_dict({k: v.contiguous() for k, v in sd.items()})
    net.eval()
    return net


def inputs(net, feat):
    """The absence estimator's input per hop: the features, the gain estimator's state and outputs,
    the periodicity (feat holds the features, then the periodicity)."""
    with torch.no_grad():
        x = torch.tensor(feat[None, :, :G.NF], dtype=torch.float32)
        h, _ = net.gru(torch.tanh(net.inp((x - net.mean) / net.std)))
        y = torch.sigmoid(net.out(h))
    return np.concatenate([feat[:, :G.NF], h[0].numpy(), y[0].numpy(), feat[:, G.NF:]], axis=1)


def load(net, rows):
    out = []
    for f, t, v in G.load(rows, periodicity=True):
        absent = (t[:, :G.NB] < 10 ** (ABSENT_DB / 20)).astype(np.float64)  # t holds amplitude ratios
        counted = v[:, :G.NB] * t[:, G.NB:G.NB + 1]  # valid bands of speech frames
        out.append((inputs(net, f), np.concatenate([absent, t], axis=1), np.concatenate([counted, v], axis=1)))
    return out


def kept_with_cut(x, logit):
    """The band gain the suppressor keeps of a voiced hop, from the inputs (the gain
    estimator's factors and floors, the statistical gain) and the absence cut as
    AbsentBandCut makes it (ramped in around CUT_ABOVE, CUT_DB deep), as far as
    the estimator hears a voice."""
    o = G.NF + G.NH  # the gain estimator's outputs, after the features and its state
    g = torch.clamp(torch.pow(10.0, x[..., 2 * G.NB:3 * G.NB]) * x[..., o:o + G.NB], 1e-6, 1.0)
    kept = torch.maximum(g, x[..., o + G.NB + 1:o + 2 * G.NB + 1])
    ramp = torch.clamp((torch.sigmoid(logit) - (CUT_ABOVE - 0.5 * CUT_RAMP)) / CUT_RAMP, 0.0, 1.0)
    return kept * (1.0 - ramp * (1.0 - 10 ** (CUT_DB / 20)) * x[..., o + G.NB:o + G.NB + 1])


class AbsenceNet(torch.nn.Module):
    def __init__(self, mean, std):
        super().__init__()
        self.register_buffer('mean', torch.tensor(mean, dtype=torch.float32))
        self.register_buffer('std', torch.tensor(std, dtype=torch.float32))
        self.inp = torch.nn.Linear(len(mean), ND)
        self.gru = torch.nn.GRU(ND, NH, batch_first=True)
        self.out = torch.nn.Linear(NH, G.NB)

    def forward(self, x):  # logits
        h, _ = self.gru(torch.tanh(self.inp((x - self.mean) / self.std)))
        return self.out(h)


def export(model, net, ref_feat):
    with torch.no_grad():
        ref_y = torch.sigmoid(model(torch.tensor(inputs(net, ref_feat)[None], dtype=torch.float32)))[0].numpy()
    G.write_estimator(model, 'train_absence_net.py', 'AbsenceNetModel', 'AbsenceNetWeights.cpp',
                      'AbsenceNetReference.inc', 'kAbsRef', ref_feat, ref_y, 'the absence estimator')


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--epochs', type=int, default=30, help='epochs run (the learning rate decays over them)')
    ap.add_argument('--env-weight', type=float, default=1.0,
                    help="weight of the gain estimator's band envelope loss on the kept gain (0: off)")
    a = ap.parse_args()
    torch.set_num_threads(1)
    torch.manual_seed(11)
    np.random.seed(11)
    net = gain_net()
    with open(os.path.join(G.TRAIN, 'train.csv')) as f:
        rows = list(csv.DictReader(f))
    tr = load(net, [r for r in rows if r['split'] == 'train'])
    va = load(net, [r for r in rows if r['split'] == 'val'])
    allf = np.concatenate([f for f, _, _ in tr])
    model = AbsenceNet(allf.mean(axis=0), np.maximum(allf.std(axis=0), 1e-3))
    xt, tt, vt = G.chunks(tr)
    xv, tv_all, vv_all = G.chunks(va)  # the absence targets, then the gain estimator's
    opt = torch.optim.Adam(model.parameters(), lr=2e-3)
    sched = torch.optim.lr_scheduler.CosineAnnealingLR(opt, a.epochs)
    bce = torch.nn.BCEWithLogitsLoss(reduction='none')
    gen = torch.Generator().manual_seed(12)

    def loss_of(x, t_all, v_all):
        t, v = t_all[..., :G.NB], v_all[..., :G.NB]
        logit = model(x)
        loss = (bce(logit, t) * v).sum() / v.sum()
        if a.env_weight > 0:
            loss = loss + a.env_weight * G.envelope_loss(kept_with_cut(x, logit), t_all[..., G.NB:], v_all[..., G.NB:])
        return loss

    start, best, best_state = time.time(), 1e9, None
    for ep in range(a.epochs):
        model.train()
        perm = torch.randperm(len(xt), generator=gen)
        for i in range(0, len(xt), 32):
            b = perm[i:i + 32]
            opt.zero_grad()
            loss = loss_of(xt[b], tt[b], vt[b])
            loss.backward()
            torch.nn.utils.clip_grad_norm_(model.parameters(), 1.0)
            opt.step()
        sched.step()
        model.eval()
        with torch.no_grad():
            lv = loss_of(xv, tv_all, vv_all).item()
            hit = (torch.sigmoid(model(xv)) > 0.8).float()
            tv, vv = tv_all[..., :G.NB], vv_all[..., :G.NB]
            found = float((hit * tv * vv).sum() / (tv * vv).sum())
            false = float((hit * (1 - tv) * vv).sum() / ((1 - tv) * vv).sum())
        if lv < best:
            best, best_state = lv, {k: v.clone() for k, v in model.state_dict().items()}
        print(f'epoch {ep} val {lv:.5f}, above 0.8: {found:.3f} of absent bands, {false:.3f} of the others '
              f'({time.time() - start:.0f} s)', file=sys.stderr)
    model.load_state_dict(best_state)
    ref = G.load(rows[9:10], periodicity=True)[0][0][100:124]  # 24 hops of the first validation mixture
    export(model, net, ref)
    print(f'best val {best:.5f}; weights written', file=sys.stderr)


if __name__ == '__main__':
    main()
