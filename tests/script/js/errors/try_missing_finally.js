try { x = 1 }
y = 2