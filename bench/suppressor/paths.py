"""Where the benchmark keeps things: drivers and the generated corpus (about
1 GiB, never committed) in the build tree; the tables and the plot beside
these scripts."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
BUILD = os.environ.get('SUPPRESSOR_BENCH_BUILD', os.path.join(REPO, 'build', 'suppressor-bench'))
WORK = os.environ.get('SUPPRESSOR_BENCH_WORK', os.path.join(BUILD, 'work'))  # corpus and outputs
CORPUS = os.path.join(WORK, 'corpus')
OUTROOT = os.path.join(WORK, 'out')
RESULTS = os.path.join(HERE, 'results')
