# shellcheck shell=bash
# Sourced at the top of the set-up, build and test scripts that stop at their first failure:
# the step that failed is named in one line, with its status, before the script ends, so that
# no script ends in silence.
set -Eeuo pipefail
trap 'echo "${BASH_SOURCE[0]##*/}: stopped: status $? at line $LINENO: $BASH_COMMAND" >&2' ERR
