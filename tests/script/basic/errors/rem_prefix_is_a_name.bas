remain = 1
x = remain +
