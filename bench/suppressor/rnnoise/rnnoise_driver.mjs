// RNNoise peer driver (@jitsi/rnnoise-wasm 0.2.1, WebAssembly in Node).
// Reads a list file of "in48.raw out48.raw" lines (48 kHz mono s16le; the
// benchmark resamples 16k->48k->16k with sox around this), processes each
// file with a fresh RNNoise state in 480-sample float frames (s16 scale, as
// RNNoise expects) and appends per-frame times (microseconds) to timing.
// Usage: node rnnoise_driver.mjs list.txt timing.txt
import fs from 'fs';
import createRNNWasmModuleSync from '@jitsi/rnnoise-wasm/dist/rnnoise-sync.js';

const [,, listPath, timePath] = process.argv;
const mod = createRNNWasmModuleSync();
await mod.ready;
const N = 480;
const ptr = mod._malloc(N * 4);
const times = [];
const lines = fs.readFileSync(listPath, 'utf8').split('\n').filter((l) => l.trim());
for (const line of lines) {
  const [inPath, outPath] = line.trim().split(/\s+/);
  const st = mod._rnnoise_create();
  const buf = fs.readFileSync(inPath);
  const nIn = Math.floor(buf.length / 2);
  const inp = new Int16Array(buf.buffer.slice(buf.byteOffset, buf.byteOffset + nIn * 2));
  const out = new Int16Array(nIn);
  for (let off = 0; off + N <= nIn; off += N) {
    const heap = new Float32Array(mod.HEAPF32.buffer, ptr, N);
    for (let i = 0; i < N; i++) heap[i] = inp[off + i];
    const t0 = process.hrtime.bigint();
    mod._rnnoise_process_frame(st, ptr, ptr);
    times.push(Number(process.hrtime.bigint() - t0) / 1000);
    const h2 = new Float32Array(mod.HEAPF32.buffer, ptr, N);
    for (let i = 0; i < N; i++) out[off + i] = Math.max(-32768, Math.min(32767, Math.round(h2[i])));
  }
  fs.writeFileSync(outPath, Buffer.from(out.buffer));
  mod._rnnoise_destroy(st);
}
fs.writeFileSync(timePath, times.map((t) => t.toFixed(3)).join('\n') + '\n');
mod._free(ptr);
