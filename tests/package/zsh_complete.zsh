#!/usr/bin/env zsh
# zsh_complete.zsh COMPLETION_DIR LINE: types LINE and a Tab into an
# interactive zsh with the completion of COMPLETION_DIR, then Enter, and
# prints the words that the completed line hands to cvcc, one a line.
zmodload zsh/zpty
zpty shell "zsh -f -i"
zpty -w shell "fpath=(${(q)1} \$fpath); autoload -U compinit; compinit -u -D"
# What the line hands to cvcc, after the completion has asked the real one.
zpty -w shell 'cvcc() { print -r -- "<${:-words}>${(pj:\t:)@}</${:-words}>" }'
zpty -wn shell "$2"$'\t'
# The line editor drops what is typed while a completion runs: Enter waits
# for the longest the completion may take.
sleep 3
zpty -wn shell $'\r'
local out
zpty -r -m shell out '*</words>*' || exit 1
zpty -w shell exit
zpty -d shell
out=${out##*<words>}
print -r -- "${out%%</words>*}" | tr '\t' '\n'
