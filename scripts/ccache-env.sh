# Sourced by the build scripts: one compiler cache for every checkout of the
# panel on this machine (see scripts/build.sh).
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(cd .. && pwd)}
export CCACHE_NOHASHDIR=1
export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
