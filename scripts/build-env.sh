# Sourced by the build scripts (build.sh, fuzz.sh).
#
# One compiler cache for every checkout of the panel on this machine: paths
# under the folder above this checkout are hashed relative to the build folder
# (base_dir) and the working directory is left out of the hash (hash_dir), so a
# second worktree's first build is served from what the first one compiled.
# The precompiled Qt headers are cached too (the sloppiness ccache needs for them).
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(cd .. && pwd)}
export CCACHE_NOHASHDIR=1
export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
# Ninja for a new build folder (it keeps both cores busy to the last link); a
# folder configured before keeps its generator.
if [ -z "${CMAKE_GENERATOR:-}" ] && command -v ninja >/dev/null; then export CMAKE_GENERATOR=Ninja; fi
