# Shared by the monitors scripts: looks at the screen and where the
# vortices' centre dots are in them. Sourced after common.bash.

# Ten quick raw looks at the screen, judged afterwards.
looks() {  # NAME
    local i
    for i in 0 1 2 3 4 5 6 7 8 9; do xwd -root -silent >"$WORK/$1.$i.xwd" && sleep 0.5; done
}

# For each given view centre X,Y: 1 when the 2x2 pixels around it (the
# black centre dot of a view with even sides) are black in at least half the
# looks, else 0. A speck passes over the dot now and then; no cloud stays
# black, and lightning and meteors, which brighten the dot, are off.
dots() {  # NAME X,Y...
    local name=$1 file centre crops=()
    shift
    for centre in "$@"; do crops+=(\( -clone 0 -crop "2x2+$((${centre%,*} - 1))+$((${centre#*,} - 1))" \)); done
    for file in "$WORK/$name".*.xwd; do
        convert "$file" "${crops[@]}" -delete 0 -format '%[fx:maxima*255<1]' info: && echo
    done | awk -v n=$# '{ for (i = 1; i <= n; i++) black[i] += substr($0, i, 1) }
                        END { for (i = 1; i <= n; i++) printf "%d", (black[i] >= NR / 2) }'
}
