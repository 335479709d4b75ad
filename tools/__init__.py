"""The project's own programs, by who runs them: kit (a disc's author),
build_steps (steps of our build), lab (the Wine lab). Each program is a
module, run from the repository's root as `python3 -m tools.PART.NAME`; the
scripts under scripts/ and the CTest definitions set PYTHONPATH to the root
for it."""
import os

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
