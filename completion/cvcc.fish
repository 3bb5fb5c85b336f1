# fish completion for cvcc, the Corvane console client: the same words as the
# bash completion. The first word offers the keys, and so does the word after
# --NSClean (-nsc) and after the leading JSON key (--Json, -j). After a key
# that takes task names every word offers the server's task names, and after
# a key that takes ids its task ids, each with its name: they come from
# `cvcc --Json --List`, asked anew on each Tab, for at most about 2 s; when no
# server answers, nothing is offered and nothing is printed. fish quotes a
# name as the command line needs it.

# "ID<tab>NAME" for each task; a name with a control character (escaped as
# \uXXXX) cannot be typed, and is left out.
function __cvcc_tasks
    timeout -k 1 1.5 cvcc --Json --List 2>/dev/null |
        env LC_ALL=C grep -oE '\{"id":[0-9]+,"name":"([^"\\\\]|\\\\["\\\\])*"' |
        env LC_ALL=C sed -E 's/^\{"id":([0-9]+),"name":"(.*)"$/\1\t\2/; s/\\\\(["\\\\])/\1/g'
end

function __cvcc_complete
    set -l keys --Help -h --Execute -e --ExecuteId -ei --ExcuteAll -ea \
        --Stop -s --StopId -si --StopAll -sa --Delete -d --DeleteId -di \
        --DeleteAll -da --List -l --Log -lg --LogId -lgi --Wait -w --WaitId -wi \
        --WaitAll -wa --Check -chk --Metrics -mtr --Close -c --Proxy -prx --NSClean -nsc
    set -l words (commandline -opc)
    # i: the command's key, the first word that is neither a sweep nor the
    # leading JSON key.
    set -l i 2
    while test $i -le (count $words)
        switch $words[$i]
            case --NSClean -nsc
            case --Json --json -j
                test $i -eq 2; or return
            case '*'
                break
        end
        set i (math $i + 1)
    end
    if test $i -gt (count $words)
        test $i -eq 2; and set -a keys --Json -j
        printf '%s\n' $keys
        return
    end
    switch $words[$i]
        case --Execute -e --Stop -s --Delete -d --Log -lg --Wait -w --Check -chk
            __cvcc_tasks | string replace -r '^[0-9]+\t' ''
        case --ExecuteId -ei --StopId -si --DeleteId -di --LogId -lgi --WaitId -wi
            __cvcc_tasks
    end
end

complete -c cvcc -f -a '(__cvcc_complete)'
