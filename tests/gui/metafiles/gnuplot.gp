set terminal emf color size 480,320 font "Arial,10"
set output 'gnuplot.emf'
set title "Parcels per month"
set samples 24
set style fill pattern 2 border
plot [0:10] sin(x) with lines dt 2 lw 2 title "dashed", '-' with boxes fs pattern 4 title "pattern"
1 0.5
3 0.8
5 -0.4
7 0.9
9 0.2
e
